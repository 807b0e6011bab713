// The string table and the ids the code fetches from it. The code names its
// strings by the constants generated from the table, so the compiler refuses
// an unknown name in what it builds; these checks cover what a build on this
// machine does not compile (the Windows backend and programs) and the ids
// the code keeps in tables of its own.
#include "resources/string_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "ui/state.h"
#include "ui/status.h"

namespace {

namespace fs = std::filesystem;

TEST(StringTable, EachIdAndNameIsListedOnce) {
    std::set<int32_t> ids;
    std::set<std::string> names;
    for (int32_t i = 0; i < kStringTableCount; ++i) {
        const StringTableEntry& e = kStringTable[i];
        EXPECT_TRUE(ids.insert(e.id).second) << e.id;
        EXPECT_TRUE(names.insert(e.name).second) << e.name;
        EXPECT_GT(e.id, 0) << e.name;  // 0 is kStrNone
        EXPECT_LE(e.id, 0xFFFF) << e.name;
        EXPECT_EQ(FindStringTableEntry(e.id), &e);
    }
    EXPECT_EQ(FindStringTableEntry(kStrNone), nullptr);
}

// Every string the sources name is in the table, and none is made from a
// bare number.
TEST(StringTable, EveryIdTheSourcesUseIsInTheTable) {
    const char* source = std::getenv("VANTORIA_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    std::set<std::string> known = {"kStrNone"};
    for (int32_t i = 0; i < kStringTableCount; ++i) known.insert(kStringTable[i].name);

    const std::regex named(R"(\bkStr[A-Z]\w*)");
    const std::regex made(R"((StringId\s*\(|static_cast<\s*StringId\s*>\s*\()\s*-?\d)");
    int32_t files = 0, uses = 0;
    for (const char* folder :
         {"resources", "ui", "engine", "icc", "editor", "host", "hostkit", "apps", "tools"}) {
        const fs::path root = fs::path(source) / folder;
        if (!fs::exists(root)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            const std::string ext = entry.path().extension().string();
            if (ext != ".cpp" && ext != ".h" && ext != ".inc") continue;
            std::ifstream in(entry.path());
            std::stringstream text;
            text << in.rdbuf();
            const std::string code = text.str();
            ++files;
            for (std::sregex_iterator m(code.begin(), code.end(), named), end; m != end; ++m) {
                ++uses;
                EXPECT_EQ(known.count(m->str()), 1u) << entry.path() << ": " << m->str();
            }
            EXPECT_FALSE(std::regex_search(code, made)) << entry.path();
        }
    }
    EXPECT_GT(files, 50);
    EXPECT_GT(uses, 20);
}

// The ids kept in the library's own tables resolve through the resources.
TEST(StringTable, StatusMessagesAreInTheTable) {
    char text[256];
    for (int32_t status = -12; status <= 1; ++status) {
        const StringId id = Ui_StatusMessageId(status);
        if (status == kUiOk || status == kUiErrCancelled) {
            EXPECT_EQ(id, kStrNone) << status;
            continue;
        }
        EXPECT_EQ(Ui_ResToCString(nullptr, id, text, sizeof text), kUiOk) << status;
        EXPECT_NE(text[0], 0) << status;
    }
    EXPECT_EQ(Ui_StatusMessageId(-12), kStrMsgUnknown);
    EXPECT_EQ(Ui_ResToCString(nullptr, kStrNone, text, sizeof text), kUiErrArg);
}

}  // namespace
