// The uninstaller Install, placed beside an installed title with its
// "install.ini": `Install [--yes]`. It asks in a window where there is a
// display and on the terminal where there is none; --yes answers yes
// without asking, for scripts. See UninstallDialog.h for what it removes.
#include "install/UninstallDialog.h"
#include "platform/Cp1250.h"
#include "platform/Dialog.h"

#include <csignal>
#include <cstdio>
#include <string>

namespace {

const char* const usage = "Usage: Install [--yes]\n"
                          "Removes the title installed beside this program: its menu entries and folders and its\n"
                          "uninstall entry, then starts the shared uninstaller with the title's key.\n"
                          "  --yes, -y   uninstall without asking\n";

// The terminal's form of the dialog: the caption and the buttons' texts,
// numbered; the answer is the id of the button whose number is typed, the
// cancel button's for anything else or the end of the input.
int prompt(const platform::DialogTemplate& dialog)
{
    std::printf("%s\n", dialog.caption.c_str());
    for (size_t i = 0; i < dialog.buttons.size(); ++i)
        std::printf("  %zu  %s\n", i + 1, dialog.buttons[i].text.c_str());
    std::printf("> ");
    std::fflush(stdout);
    char line[256];
    if (!std::fgets(line, sizeof line, stdin))
        return dialog.cancelId;
    std::string answer = line;
    answer.erase(0, answer.find_first_not_of(" \t"));
    answer.erase(answer.find_last_not_of(" \t\r\n") + 1);
    for (size_t i = 0; i < dialog.buttons.size(); ++i)
        if (answer == std::to_string(i + 1))
            return dialog.buttons[i].id;
    return dialog.cancelId;
}

class UninstallerApp {
public:
    explicit UninstallerApp(bool yes) : unattended(yes) {}

    // The program's exit code: 0 when the user leaves with the exit button,
    // 100 when the title's key has no "Lang" or the user's key store cannot
    // be read, 1 when the uninstall could not be done (the machine's key
    // store cannot be read or rewritten, a menu entry or folder cannot be
    // removed, or the shared uninstaller cannot be started); on success the
    // process has become the shared uninstaller.
    int InitInstance()
    {
        install::UninstallDialog dialog;
        if (!dialog.OnInitDialog()) {
            if (!dialog.storeFailure.empty())
                std::fprintf(stderr, "Install: nothing was removed: %s\n", dialog.storeFailure.c_str());
            else
                std::fprintf(stderr, "Install: nothing to uninstall: no \"Lang\" under %s in %s\n",
                             platform::cp1250ToUtf8(dialog.userKey).c_str(),
                             install::keyStoreFile(install::Root::CurrentUser).c_str());
            return install::UninstallDialog::quitCode;
        }
        if (!unattended) {
            platform::DialogTemplate face = dialog.dialogTemplate();
            int answer = platform::runDialog(face);
            if (answer < 0)
                answer = prompt(face);
            if (answer != install::UninstallDialog::uninstallId)
                return 0;
        }
        std::string failure = dialog.OnUninstall();
        std::fprintf(stderr, "Install: %s\n", failure.c_str());
        return 1;
    }

private:
    bool unattended;
};

} // namespace

int main(int argc, char** argv)
{
    // A key store write past a file-size limit fails with EFBIG and is
    // reported like any other failed write, instead of ending the program
    // with its temporary left beside the store.
    signal(SIGXFSZ, SIG_IGN);
    bool yes = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--yes" || a == "-y")
            yes = true;
        else if (a == "--help" || a == "-h") {
            std::fputs(usage, stdout);
            return 0;
        } else {
            std::fprintf(stderr, "Install: unknown switch %s\n%s", argv[i], usage);
            return 2;
        }
    }
    return UninstallerApp(yes).InitInstance();
}
