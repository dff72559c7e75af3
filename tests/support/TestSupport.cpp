#include "support/TestSupport.h"
#include "support/ChildProgram.h"

#include "platform/Debug.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <csignal>
#include <arpa/inet.h>
#include <ftw.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {

TempDir::TempDir()
{
    const char* base = std::getenv("TMPDIR");
    std::string templ = std::string(base && *base ? base : "/tmp") + "/quarnel-XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back(0);
    if (!mkdtemp(buf.data()))
        throw std::runtime_error("mkdtemp failed");
    root = buf.data();
}

static int removeEntry(const char* path, const struct stat*, int, struct FTW*)
{
    return ::remove(path);
}

TempDir::~TempDir()
{
    nftw(root.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

void TempDir::write(const std::string& relative, const std::string& bytes) const
{
    std::string path = file(relative);
    size_t slash = path.rfind('/');
    makeDirs(path.substr(0, slash));
    writeFile(path, bytes);
}

std::string TempDir::read(const std::string& relative) const { return readFile(file(relative)); }

FileSizeLimit::FileSizeLimit(unsigned long bytes)
{
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    savedCurrent = old.rlim_cur;
    savedMaximum = old.rlim_max;
    // A write past the limit then fails with EFBIG instead of ending the process.
    savedSignal = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {rlim_t(bytes), old.rlim_max};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
        throw std::runtime_error("setrlimit failed");
}

FileSizeLimit::~FileSizeLimit()
{
    struct rlimit old = {rlim_t(savedCurrent), rlim_t(savedMaximum)};
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, savedSignal);
}

void writeTitle(const TempDir& dir, std::initializer_list<std::pair<std::string, std::string>> files)
{
    for (const auto& f : files) {
        std::string text;
        for (char c : f.second)
            text += c == '\n' ? std::string("\r\n") : std::string(1, c);
        dir.write(f.first, text);
    }
}

std::string oneScene()
{
    return "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:EPISODES=E\nOBJECT=E\nE:TYPE=EPISODE\nE:SCENES=S\n"
           "OBJECT=S\nS:TYPE=SCENE\nS:PATH=\\S\n";
}

void makeDirs(const std::string& path)
{
    for (size_t i = 1; i <= path.size(); ++i)
        if (i == path.size() || path[i] == '/')
            mkdir(path.substr(0, i).c_str(), 0755);
}

std::string readFile(const std::string& path)
{
    std::string out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return out;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        out.append(chunk, n);
    std::fclose(f);
    return out;
}

void writeFile(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        throw std::runtime_error("cannot write " + path);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

CwdGuard::CwdGuard()
{
    char* cwd = getcwd(nullptr, 0);
    saved = cwd ? cwd : "/";
    std::free(cwd);
}

CwdGuard::~CwdGuard()
{
    if (chdir(saved.c_str()) != 0)
        std::perror("chdir");
}

static void collect(const char* text, void* context)
{
    static_cast<DebugCapture*>(context)->lines.push_back(text);
}

DebugCapture::DebugCapture() { platform::setDebugSink(collect, this); }
DebugCapture::~DebugCapture() { platform::setDebugSink(nullptr, nullptr); }

std::vector<std::string> DebugCapture::holding(const std::string& part) const
{
    std::vector<std::string> found;
    for (std::string line : lines)
        if (line.find(part) != std::string::npos) {
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
                line.pop_back();
            found.push_back(line);
        }
    return found;
}

bool useCommaDecimalLocale()
{
    static const char* names[] = {"pl_PL.UTF-8", "pl_PL.utf8", "de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"};
    for (const char* n : names)
        if (std::setlocale(LC_ALL, n))
            return true;
    static std::string dir;
    if (dir.empty()) {
        char templ[] = "/tmp/quarnel-locale-XXXXXX";
        if (!mkdtemp(templ))
            return false;
        dir = templ;
        std::string cmd = "localedef -i pl_PL -f UTF-8 " + dir + "/pl_PL.UTF-8 >/dev/null 2>&1";
        if (testsupport::shell(cmd) != 0)
            return false;
    }
    setenv("LOCPATH", dir.c_str(), 1);
    return std::setlocale(LC_ALL, "pl_PL.UTF-8") != nullptr;
}

void useCLocale()
{
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
}

int bindable(int type, int port)
{
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(uint16_t(port));
    socklen_t size = sizeof a;
    int found = -1;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0)
        found = ntohs(a.sin_port);
    if (fd >= 0)
        ::close(fd);
    return found;
}

int freePort()
{
    const int port = bindable(SOCK_STREAM, 0);
    return port > 0 ? port : 0;
}

} // namespace testsupport
