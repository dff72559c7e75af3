#pragma once
#include "script/Object.h"
#include "script/Runner.h"

class CButton;
class CGraphicsObject;

// The movable dialog panel of the controls layer, as the script dialog
// uses it: a background drawable, buttons and drawables placed on it, shown
// and hidden on request. The controls layer derives its panel from this and
// installs the maker.
class CXDialog {
public:
    virtual ~CXDialog() {}
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual void setBackground(CGraphicsObject* background) = 0;
    virtual void add(CButton* button) = 0;
    virtual void add(CGraphicsObject* drawable) = 0;

    using Maker = CXDialog* (*)(CMC_ObjectsContainer* container);
    static void setMaker(Maker maker);
    // A new panel for the container; null without a maker.
    static CXDialog* make(CMC_ObjectsContainer* container);
};

// The script dialog (TYPE DIALOG, type 2013): owns a panel and forwards the
// script's requests to it. Made in the last creation pass; its definition
// has no keys of its own.
class CMC_Dialog : public CMC_Object {
public:
    CMC_Dialog(CMC_ObjectsContainer* container, CMElement* element);
    // For a snapshot: named "temp", with a panel for the scene it is read
    // into, so that the title plays from its snapshot as from its
    // definitions.
    explicit CMC_Dialog(CMC_ObjectsContainer* container);
    ~CMC_Dialog() override;
    CMC_Dialog(const CMC_Dialog&) = delete;
    CMC_Dialog& operator=(const CMC_Dialog&) = delete;

    CXDialog* getDialog() { return dialog; }

    // How a script button gives its button control; installed by the
    // script button type.
    using ButtonAccess = CButton* (*)(CMC_Object* button);
    static void setButtonAccess(ButtonAccess access);
    static CButton* buttonOf(CMC_Object* button);

private:
    CXDialog* dialog;
};

class CMC_Dialog_Runner : public CMC_Runner {
public:
    enum { SHOW = 1, HIDE = 2, SETBACKGROUND = 3, ADD = 4 };

    void prepareMthHashSet() override;
    // A name that finds no object, or one of a type the method does not
    // take, is ignored; so is every request to a dialog without a panel.
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};
