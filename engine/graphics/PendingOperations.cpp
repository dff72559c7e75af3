// Operations of the drawable whose bodies come with the engine's image
// file. Until then they read and write nothing.
#include "graphics/GraphicsObject.h"

int CGraphicsObject::Load(CXString) { return 0; }
int CGraphicsObject::Save(CXString, _compression) { return 0; }
int CGraphicsObject::Save(CFile*, _compression) { return 0; }
