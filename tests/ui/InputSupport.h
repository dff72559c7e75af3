#pragma once
// What the tests of the script KEYBOARD, MOUSE and JOYSTICK share: the
// scene and window of the controls' tests with an application (without one
// the window passes no key on and no sound file is decoded), and keys fed
// through the platform.
#include "UiSupport.h"
#include "script/Application.h"

#include <memory>

namespace uitest {

class InputTest : public UiTest {
protected:
    // Without standIn, with the engine's own screen unit.
    explicit InputTest(bool standIn = true, int depth = 16)
        : UiTest(standIn, depth), application(new CApplication(window.get(), "", "", nullptr))
    {
    }
    ~InputTest() override { application.reset(); }

    platform::Keyboard& keys() { return backend.input().keyboard(); }
    // The key goes down and up before the next frame reads the device.
    void tap(uint32_t code)
    {
        keys().key(code, true);
        keys().key(code, false);
    }
    // A tap delivered by the next frame.
    void type(uint32_t code)
    {
        tap(code);
        frame();
    }
    // The behaviours write to the STRING LOG; what they wrote since the
    // last look.
    std::string logged()
    {
        std::string s = text("LOG");
        call("LOG", "SET", {"\"\""});
        return s;
    }

    std::unique_ptr<CApplication> application;
};

} // namespace uitest
