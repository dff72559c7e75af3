// Operations of the drawable whose bodies come with the pixel compression
// kinds, the whole-image operations and the engine's image file. Until then
// they leave the drawable as it is and read or write nothing; a drawable
// that is never packed is drawn and read correctly without them.
#include "graphics/GraphicsObject.h"

void CGraphicsObject::pack(bool) {}
void CGraphicsObject::unpack() { unpacked = true; }
void CGraphicsObject::DeCompress() {}
void CGraphicsObject::DeCompressRLE2() {}
void CGraphicsObject::bringBackCompressed() {}

void CGraphicsObject::FlipH() {}
void CGraphicsObject::FlipV() {}
void CGraphicsObject::resetFlips() {}
void CGraphicsObject::Fill(CColor*) {}
void CGraphicsObject::Fill(CXRect, CColor*) {}

int CGraphicsObject::Load(CXString) { return 0; }
int CGraphicsObject::Save(CXString, _compression) { return 0; }
int CGraphicsObject::Save(CFile*, _compression) { return 0; }
