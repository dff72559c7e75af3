#include "script/Dialog.h"

#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/SceneSnapshot.h"
#include "script/String.h"
#include "script/TypeRegistry.h"

namespace {
CXDialog::Maker dialogMaker = nullptr;
CMC_Dialog::ButtonAccess buttonAccess = nullptr;

CMC_Object* makeDialog(CMC_ObjectsContainer* container, CMElement* element)
{
    return new CMC_Dialog(container, element);
}
CMC_Object* restoreDialog(CMC_Scene* scene) { return new CMC_Dialog(scene); }

CMC_RegisterType typeRegistration("DIALOG", 6, &makeDialog);
CMC_RegisterSnapshotType snapshotRegistration(MC_DIALOG, &restoreDialog);
CMC_RegisterRunner<CMC_Dialog_Runner> runnerRegistration({MC_DIALOG});
} // namespace

void CXDialog::setMaker(Maker maker) { dialogMaker = maker; }

CXDialog* CXDialog::make(CMC_ObjectsContainer* container) { return dialogMaker ? dialogMaker(container) : nullptr; }

CMC_Dialog::CMC_Dialog(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, MC_DIALOG), dialog(CXDialog::make(container))
{
    initializeBehaviours(container, element);
}

CMC_Dialog::CMC_Dialog(CMC_ObjectsContainer* container)
    : CMC_Object(CXString("temp"), MC_DIALOG), dialog(CXDialog::make(container))
{
}

CMC_Dialog::~CMC_Dialog()
{
    delete dialog;
    dialog = nullptr;
}

void CMC_Dialog::setButtonAccess(ButtonAccess access) { buttonAccess = access; }

CButton* CMC_Dialog::buttonOf(CMC_Object* button) { return buttonAccess ? buttonAccess(button) : nullptr; }

void CMC_Dialog_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    registerMethod("SHOW", SHOW);
    registerMethod("HIDE", HIDE);
    registerMethod("SETBACKGROUND", SETBACKGROUND);
    registerMethod("ADD", ADD);
}

CMC_Variable* CMC_Dialog_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_DIALOG || id < SHOW || id > ADD)
        return CMC_Runner::run(id, object, container, args);
    CXDialog* dialog = static_cast<CMC_Dialog*>(object)->getDialog();
    if (!dialog)
        return nullptr;
    if (id == SHOW || id == HIDE) {
        if (id == SHOW)
            dialog->show();
        else
            dialog->hide();
        return nullptr;
    }
    if (getArgCount(args) < 1 || !container)
        return nullptr;
    CXString name = getParameterString(args, 0)->getValue();
    CMC_Object* target = container->getObject(name);
    int type = target ? target->getType() : -1;
    bool drawable = type == MC_IMAGE || type == MC_ANIMO || (id == ADD && type == MC_TEXT);
    if (drawable) {
        if (CGraphicsObject* g = container->getGraphicsObject(name)) {
            if (id == SETBACKGROUND)
                dialog->setBackground(g);
            else
                dialog->add(g);
        }
    } else if (id == ADD && type == MC_BUTTON) {
        if (CButton* button = CMC_Dialog::buttonOf(target))
            dialog->add(button);
    }
    return nullptr;
}
