#include "InstalledTitle.h"

#include <gtest/gtest.h>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace installtest {

const char* const userStoreText = "[Software\\DovirAvura\\Zamek_PL]\n"
                                  "Lang=PL\n"
                                  "ProgramPath=@PROGRAM@\n"
                                  "[Software\\DovirAvura\\Other_EN]\n"
                                  "Lang=EN\n";

const char* const machineStoreText = "; written by the installer\r\n"
                                     "[Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zamek_PL]\r\n"
                                     "DisplayName=Zamek\r\n"
                                     "UninstallString=@PROGRAM@\\Install\r\n"
                                     "[Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zamek_PL\\Parts\\Data]\r\n"
                                     "Size=12\r\n"
                                     "[Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zamek_PL\\Patch]\r\n"
                                     "[Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other_EN]\r\n"
                                     "DisplayName=Other\r\n";

const char* const machineStoreAfter = "; Quarnel key store: one root of keys, replaced whole on each change\n"
                                      "[Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other_EN]\n"
                                      "DisplayName=Other\n";

namespace {

// "install.ini" in code page 1250: the texts in Polish and English, three
// shortcuts each.
const char* const installIni = "[Option]\r\n"
                               "Language=PL\r\n"
                               "PROGRAM_NAME=Zamek\r\n"
                               "\r\n"
                               "[PL]\r\n"
                               "Bitmap=@PROGRAM@\\uninst.bmp\r\n"
                               "Shortcuts=3\r\n"
                               "Description0=Graj\r\nFile0=@PROGRAM@\\Quarnel\r\nWork0=@PROGRAM@\r\n"
                               "Description1=Pomoc\r\nFile1=@PROGRAM@\\help.html\r\nWork1=@PROGRAM@\r\n"
                               "Description2=Odinstaluj\r\nFile2=@PROGRAM@\\Install\r\nWork2=@PROGRAM@\r\n"
                               "IDS_PROGRAM_NAME=Zamek\r\n"
                               "IDS_COMPANY_NAME=Dovir Avura\r\n"
                               "IDS_WYJSCIE=Wyj\x9C" "cie\r\n"
                               "IDS_ODINSTALUJ=Odinstaluj\r\n"
                               "IDS_NAZWA_GRY2=Zamek - odinstalowanie\r\n"
                               "\r\n"
                               "[EN]\r\n"
                               "Shortcuts=1\r\n"
                               "Description0=Play\r\n"
                               "IDS_PROGRAM_NAME=Castle\r\n"
                               "IDS_COMPANY_NAME=Dovir Avura\r\n"
                               "IDS_WYJSCIE=Exit\r\n"
                               "IDS_ODINSTALUJ=Uninstall\r\n"
                               "IDS_NAZWA_GRY2=Castle\r\n";

std::string replaced(std::string text, const std::string& program)
{
    for (size_t at; (at = text.find("@PROGRAM@")) != std::string::npos;)
        text.replace(at, 9, program);
    return text;
}

// A 24-bit BMP file of 175x125 pixels: brown (160, 90, 40) on the left,
// blue (32, 128, 240) from x = 87 on.
std::string picture()
{
    const int w = 175, h = 125, row = (w * 3 + 3) / 4 * 4;
    std::string bytes(54 + size_t(row) * h, '\0');
    auto put = [&bytes](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            bytes[at + size_t(i)] = char(v >> (8 * i));
    };
    bytes[0] = 'B', bytes[1] = 'M';
    put(2, uint32_t(bytes.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, w, 4);
    put(22, h, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            put(54 + size_t(y) * row + size_t(x) * 3, x < w / 2 ? 0xA05A28 : 0x2080F0, 3); // B, G, R
    return bytes;
}

bool copyExecutable(const std::string& from, const std::string& to)
{
    testsupport::writeFile(to, testsupport::readFile(from));
    return chmod(to.c_str(), 0755) == 0;
}

void list(const std::string& root, const std::string& below, std::map<std::string, std::string>& out)
{
    DIR* d = opendir((root + below).c_str());
    if (!d)
        return;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        std::string path = below + "/" + name;
        struct stat st;
        if (lstat((root + path).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            out[path] = "<folder>";
            list(root, path, out);
        } else
            out[path] = testsupport::readFile(root + path);
    }
    closedir(d);
}

} // namespace

InstalledTitle::InstalledTitle()
    : home(tmp.file("home")),
      program(home + "/Games/Zamek"),
      menu(home + "/.local/share/applications"),
      userStore(home + "/.config/quarnel/HKEY_CURRENT_USER.keys"),
      machineStore(home + "/.config/quarnel/HKEY_LOCAL_MACHINE.keys")
{
    tmp.write("home/Games/Zamek/install.ini", replaced(installIni, program));
    tmp.write("home/Games/Zamek/Rara/application.def", "OBJECT=GAME\n");
    tmp.write("home/Games/Zamek/uninst.bmp", picture());
    EXPECT_TRUE(copyExecutable(QUARNEL_INSTALL_PROGRAM, program + "/Install"));
    tmp.write("home/.config/quarnel/HKEY_CURRENT_USER.keys", replaced(userStoreText, program));
    tmp.write("home/.config/quarnel/HKEY_LOCAL_MACHINE.keys", replaced(machineStoreText, program));
    for (const char* entry : {"Dovir Avura/Zamek/Graj", "Dovir Avura/Zamek/Pomoc", "Dovir Avura/Zamek/Odinstaluj",
                              "Dovir Avura/Other/Play", "Graj"})
        tmp.write("home/.local/share/applications/" + std::string(entry) + ".desktop",
                  "[Desktop Entry]\nType=Application\nName=" + std::string(entry) + "\n");
    testsupport::makeDirs(home + "/.local/share/DovirAvura");
    EXPECT_TRUE(copyExecutable(QUARNEL_HANDOVER_STUB, home + "/.local/share/DovirAvura/globalUninst"));
}

std::map<std::string, std::string> InstalledTitle::snapshot() const
{
    std::map<std::string, std::string> out;
    list(home, std::string(), out);
    return out;
}

void InstalledTitle::start(const std::vector<std::string>& args, const std::vector<std::string>& env)
{
    std::string err = tmp.file("err.txt"), out = tmp.file("out.txt"), in = tmp.file("in.txt");
    pid = fork();
    if (pid != 0)
        return;
    testsupport::defaultSignalsInChild();
    int input = open(in.c_str(), O_RDONLY);
    if (input < 0)
        input = open("/dev/null", O_RDONLY);
    int output = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int errors = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (input < 0 || output < 0 || errors < 0 || dup2(input, 0) < 0 || dup2(output, 1) < 0 || dup2(errors, 2) < 0 ||
        chdir(home.c_str()) != 0)
        _exit(126);
    // Dropped from the bounding set, the super-user's power to override file
    // permissions does not come back with exec.
    if (asOrdinaryUser && geteuid() == 0)
        for (int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            if (prctl(PR_CAPBSET_DROP, capability, 0, 0, 0) != 0)
                _exit(cannotRunAsOrdinaryUser);
    // The signal keeps its default: the uninstaller must ignore it itself.
    if (fileSizeLimit > 0) {
        rlimit limit{rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            _exit(126);
    }
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "DISPLAY", "WAYLAND_DISPLAY"})
        unsetenv(name);
    setenv("HOME", home.c_str(), 1);
    setenv("HANDOVER_RECORD", (home + "/handover.txt").c_str(), 1);
    for (const std::string& e : env) {
        size_t equals = e.find('=');
        if (equals == std::string::npos)
            unsetenv(e.c_str());
        else
            setenv(e.substr(0, equals).c_str(), e.substr(equals + 1).c_str(), 1);
    }
    std::vector<std::string> words{program + "/Install"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(&w[0]);
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

std::string InstalledTitle::changesSince(const std::map<std::string, std::string>& before) const
{
    std::map<std::string, std::string> after = snapshot();
    std::map<std::string, char> marks;
    for (const auto& b : before)
        marks[b.first] = after.count(b.first) == 0 ? '-' : after.at(b.first) != b.second ? '~' : '=';
    for (const auto& a : after)
        if (before.count(a.first) == 0)
            marks[a.first] = '+';
    std::string out;
    for (const auto& m : marks)
        if (m.second != '=')
            out += std::string(1, m.second) + " " + m.first + "\n";
    return out;
}

int InstalledTitle::wait(int seconds)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    while (pid > 0) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (std::chrono::steady_clock::now() >= end) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            pid = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

int InstalledTitle::run(const std::vector<std::string>& args, const std::string& input,
                        const std::vector<std::string>& env)
{
    tmp.write("in.txt", input);
    start(args, env);
    return wait(30);
}

// What the uninstaller takes away from a freshly installed title, the one
// file it changes, and the record of the shared uninstaller it became.
void expectUninstalled(const InstalledTitle& title, const std::map<std::string, std::string>& before)
{
    EXPECT_EQ(title.changesSince(before), "~ /.config/quarnel/HKEY_LOCAL_MACHINE.keys\n"
                                          "- /.local/share/applications/Dovir Avura/Zamek\n"
                                          "- /.local/share/applications/Dovir Avura/Zamek/Graj.desktop\n"
                                          "- /.local/share/applications/Dovir Avura/Zamek/Odinstaluj.desktop\n"
                                          "- /.local/share/applications/Dovir Avura/Zamek/Pomoc.desktop\n"
                                          "+ /handover.txt\n");
    EXPECT_EQ(testsupport::readFile(title.machineStore), machineStoreAfter);
    EXPECT_EQ(title.handOver(), "Software\\DovirAvura\\Zamek_PL\nSoftware\\DovirAvura\\Zamek_PL\n");
}

} // namespace installtest
