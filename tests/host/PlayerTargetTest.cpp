// The play script builds the target Player alone and then starts the
// program from its folder: the target must build every file the script
// names as a player's (scripts/deps.sh), the plug-ins that titles load
// beside the program among them. Read from the build's own graph.
#include "support/ChildProgram.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

// The files of quarnel_player_files=(...) in scripts/deps.sh.
std::set<std::string> playerFiles()
{
    const std::string script = testsupport::readFile(std::string(QUARNEL_SOURCE_DIR) + "/scripts/deps.sh");
    std::smatch found;
    std::set<std::string> files;
    if (std::regex_search(script, found, std::regex("quarnel_player_files=\\(([^)]*)\\)"))) {
        std::istringstream words(found[1].str());
        for (std::string word; words >> word;)
            files.insert(word);
    }
    return files;
}

TEST(PlayerTargetTest, BuildsEveryFileOfAPlayer)
{
    const std::set<std::string> wanted = playerFiles();
    ASSERT_GE(wanted.size(), 5u) << "no list of a player's files in scripts/deps.sh";
    if (std::string(QUARNEL_GENERATOR) != "Ninja")
        GTEST_SKIP() << "the build graph is read through Ninja";
    std::string graph;
    ASSERT_EQ(testsupport::shell(std::string("'") + QUARNEL_MAKE_PROGRAM + "' -C '" + QUARNEL_BUILD_DIR +
                                     "' -t query Player",
                                 &graph),
              0)
        << graph;
    std::set<std::string> inputs;
    std::istringstream lines(graph);
    for (std::string line; std::getline(lines, line);) {
        const size_t at = line.find("bin/");
        if (at != std::string::npos && line.find_first_not_of(' ') == at)
            inputs.insert(line.substr(at + 4));
    }
    for (const std::string& file : wanted)
        EXPECT_EQ(inputs.count(file), 1u) << "the target Player does not build " << file;
}

} // namespace
