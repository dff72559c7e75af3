#include "support/CupsServer.h"

#include "support/PdfPages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#ifdef QUARNEL_TEST_CUPS
#include <cups/cups.h>
#endif

namespace testsupport {

namespace {

const char* const Daemon = "/usr/sbin/cupsd";
const char* const Filters = "/usr/lib/cups";

// A4 (595 x 842 points) by default with margins of 18 points, A5 (420 x
// 595) with margins of 12, 4x6 (288 x 432) with margins of 9, Letter (612 x
// 792) without; the filters' PDF is the printer's.
const char* const Ppd = R"ppd(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "QUARNEL.PPD"
*Manufacturer: "Quarnel"
*Product: "(Quarnel)"
*ModelName: "Quarnel test printer"
*ShortNickName: "Quarnel test printer"
*NickName: "Quarnel test printer"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: True
*DefaultColorSpace: RGB
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsFilter2: "application/vnd.cups-pdf application/pdf 0 -"
*OpenUI *PageSize/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: A4
*PageSize Letter/US Letter: "<</PageSize[612 792]>>setpagedevice"
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*PageSize A5/A5: "<</PageSize[420 595]>>setpagedevice"
*PageSize 4x6/4 x 6: "<</PageSize[288 432]>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: A4
*PageRegion Letter/US Letter: "<</PageSize[612 792]>>setpagedevice"
*PageRegion A4/A4: "<</PageSize[595 842]>>setpagedevice"
*PageRegion A5/A5: "<</PageSize[420 595]>>setpagedevice"
*PageRegion 4x6/4 x 6: "<</PageSize[288 432]>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea Letter/US Letter: "0 0 612 792"
*ImageableArea A4/A4: "18 18 577 824"
*ImageableArea A5/A5: "12 12 408 583"
*ImageableArea 4x6/4 x 6: "9 9 279 423"
*DefaultPaperDimension: A4
*PaperDimension Letter/US Letter: "612 792"
*PaperDimension A4/A4: "595 842"
*PaperDimension A5/A5: "420 595"
*PaperDimension 4x6/4 x 6: "288 432"
)ppd";

bool executable(const std::string& path) { return access(path.c_str(), X_OK) == 0; }

} // namespace

bool CupsServer::available(std::string* why)
{
#ifndef QUARNEL_TEST_CUPS
    *why = "the tests were built without the CUPS library";
    return false;
#else
    if (!executable(Daemon)) {
        *why = "cupsd is not installed (Debian cups-daemon; scripts/deps.sh installs it)";
        return false;
    }
    if (!executable(std::string(Filters) + "/filter/pdftopdf")) {
        *why = "the pdftopdf filter is not installed (Debian cups-filters-core-drivers; scripts/deps.sh installs it)";
        return false;
    }
    return true;
#endif
}

CupsServer::CupsServer()
{
#ifdef QUARNEL_TEST_CUPS
    const std::string root = folder.path();
    // The filters run as another user when the server runs as root.
    chmod(root.c_str(), 0755);
    folder.write("conf/cupsd.conf", "Listen " + socket() +
                                        "\nLogLevel info\nMaxLogSize 0\nBrowsing No\nBrowseLocalProtocols none\n"
                                        "WebInterface No\nDefaultAuthType None\n"
                                        "<Location />\nOrder allow,deny\nAllow all\n</Location>\n"
                                        "<Policy default>\nJobPrivateValues none\n<Limit All>\nOrder deny,allow\n</Limit>\n</Policy>\n");
    folder.write("conf/cups-files.conf",
                 "ServerRoot " + root + "/conf\nRequestRoot " + root + "/spool\nTempDir " + root +
                     "/spool/tmp\nCacheDir " + root + "/cache\nStateDir " + root + "/state\nErrorLog " + root +
                     "/log/error_log\nAccessLog " + root + "/log/access_log\nPageLog " + root +
                     "/log/page_log\nPrintcap " + root + "/printcap\nFileDevice Yes\nServerBin " + Filters +
                     "\nDataDir /usr/share/cups\n");
    folder.write("conf/ppd/Quarnel.ppd", Ppd);
    folder.write("conf/printers.conf", "<DefaultPrinter Quarnel>\nInfo Quarnel test printer\nDeviceURI file://" +
                                           printed() +
                                           "\nState Idle\nAccepting Yes\nShared No\n</DefaultPrinter>\n");
    for (const char* sub : {"spool/tmp", "cache", "state", "log"})
        makeDirs(folder.file(sub));
    cupsd.reset(new ChildProgram(Daemon,
                                 {"-f", "-c", folder.file("conf/cupsd.conf"), "-s", folder.file("conf/cups-files.conf")},
                                 root, folder.file("log/output")));
    // Ready once it names its queue as the default.
    for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
         !started && std::chrono::steady_clock::now() < until;) {
        if (http_t* http = httpConnect2(socket().c_str(), 0, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_NEVER, 1, 1000,
                                        nullptr)) {
            if (cups_dest_t* dest = cupsGetNamedDest(http, nullptr, nullptr)) {
                started = std::string(dest->name) == "Quarnel";
                cupsFreeDests(1, dest);
            }
            httpClose(http);
        }
        if (!started)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
#endif
}

std::unique_ptr<CupsServer> CupsServer::startForTest(const std::string& home)
{
    std::string why;
    if (!havePdfTools())
        why = "poppler's pdfinfo and pdftoppm are not installed";
    if (!available(&why) || !why.empty()) {
        [&why] { GTEST_SKIP() << why; }();
        return nullptr;
    }
    std::unique_ptr<CupsServer> server(new CupsServer);
    if (!server->ready()) {
        // A fatal failure: the test's body is not run.
        [&server] { FAIL() << "cupsd did not start: " << server->log(); }();
        return nullptr;
    }
    setenv("CUPS_SERVER", server->socket().c_str(), 1);
    setenv("HOME", home.c_str(), 1);
    unsetenv("PRINTER");
    unsetenv("LPDEST");
    return server;
}

CupsServer::~CupsServer()
{
    resume();
    if (cupsd && cupsd->id() > 0) {
        ::kill(cupsd->id(), SIGTERM);
        cupsd->wait(10000);
    }
}

std::string CupsServer::log() const
{
    return readFile(folder.file("log/output")) + readFile(folder.file("log/error_log"));
}

void CupsServer::stop()
{
    if (cupsd && cupsd->id() > 0 && !stopped)
        stopped = ::kill(cupsd->id(), SIGSTOP) == 0;
}

void CupsServer::resume()
{
    if (cupsd && cupsd->id() > 0 && stopped)
        stopped = ::kill(cupsd->id(), SIGCONT) != 0;
}

std::vector<CupsServer::Job> CupsServer::jobs() const
{
    std::vector<Job> found;
#ifdef QUARNEL_TEST_CUPS
    http_t* http = httpConnect2(socket().c_str(), 0, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr);
    if (!http)
        return found;
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOBS);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, "ipp://localhost/printers/Quarnel");
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "all");
    const char* const wanted[] = {"job-id", "job-state", "job-name", "media"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 4, nullptr, wanted);
    ipp_t* response = cupsDoRequest(http, request, "/");
    Job job;
    for (ipp_attribute_t* a = response ? ippFirstAttribute(response) : nullptr;; a = ippNextAttribute(response)) {
        // Each job's attributes form a group of their own.
        if (!a || !ippGetName(a)) {
            if (job.id > 0)
                found.push_back(job);
            job = Job();
            if (!a)
                break;
            continue;
        }
        const std::string name = ippGetName(a);
        if (name == "job-id")
            job.id = ippGetInteger(a, 0);
        else if (name == "job-state")
            job.state = ippGetInteger(a, 0);
        else if (name == "job-name")
            job.name = ippGetString(a, 0, nullptr);
        else if (name == "media")
            job.media = ippGetString(a, 0, nullptr);
    }
    ippDelete(response);
    httpClose(http);
    std::sort(found.begin(), found.end(), [](const Job& a, const Job& b) { return a.id < b.id; });
#endif
    return found;
}

bool CupsServer::waitForJobs(size_t count, int seconds) const
{
    for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);;) {
        std::vector<Job> all = jobs();
        size_t ended = 0;
        for (const Job& j : all)
            ended += j.state >= 7;
        if (ended >= count)
            return true;
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

} // namespace testsupport
