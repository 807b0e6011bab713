// Writes the Windows resource script of the plug-in module from the sources
// the Linux build compiles: the string table, the version information and the
// plug-in property resources, the dialogs, the help text and the pictures. Built with the machine's
// own compiler during the cross build, so the script and the module can never disagree with the
// tables linked into the Linux build.
//
//   vantoria-rcgen <output folder> <module file name>
//
// writes <output folder>/vantoria.rc and the binary files it names.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "resources/plugin_properties.h"
#include "resources/string_table.h"
#include "tools/rcgen/rcgen.h"

namespace {
const char* TableText(StringId id) {
    const StringTableEntry* entry = FindStringTableEntry(id);
    if (entry != nullptr) return entry->text;
    std::fprintf(stderr, "rcgen: the string table has no entry %d\n", int(id));
    std::exit(1);
}

}  // namespace

// A quoted resource-script string. Quotes are doubled, the usual C escapes
// kept, other control characters written in octal. The table is ASCII: a
// string-table resource is UTF-16 and LoadStringA converts it to the user's
// code page, so other bytes would not read back as they were written.
std::string RcgenQuoted(int32_t id, const char* text) {
    std::string out = "\"";
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        const unsigned char c = *p;
        if (c >= 0x80) {
            std::fprintf(stderr, "rcgen: string %d holds a byte outside ASCII\n", int(id));
            std::exit(1);
        }
        if (c == '"') {
            out += "\"\"";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            char octal[8];
            std::snprintf(octal, sizeof octal, "\\%03o", unsigned(c));
            out += octal;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

void RcgenFail(const char* what, const std::string& path) {
    std::fprintf(stderr, "rcgen: %s %s\n", what, path.c_str());
    std::exit(1);
}

namespace {

// Builds one plug-in property resource into folder/fileName and names it in
// the script as a resource of the given type and the properties' id.
void WriteProperties(std::FILE* rc, const std::string& folder, const char* type,
                     const char* fileName, int32_t (*build)(uint8_t*, uint32_t, uint32_t*)) {
    uint8_t bytes[kPluginPropertiesMaxBytes];
    uint32_t size = 0;
    const std::string path = folder + "/" + fileName;
    if (build(bytes, sizeof bytes, &size) != 0) RcgenFail("cannot build", path);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) RcgenFail("cannot create", path);
    const bool written = std::fwrite(bytes, 1, size, f) == size;
    if (std::fclose(f) != 0 || !written) RcgenFail("cannot write", path);
    std::fprintf(rc, "%d %s \"%s\"\n", int(kPluginPropertiesResourceId), type, path.c_str());
}

void WriteStringTable(std::FILE* rc) {
    std::fputs("STRINGTABLE\nBEGIN\n", rc);
    for (int32_t i = 0; i < kStringTableCount; ++i) {
        const StringTableEntry& e = kStringTable[i];
        for (int32_t j = 0; j < i; ++j) {
            if (kStringTable[j].id != e.id) continue;
            std::fprintf(stderr, "rcgen: string %d is listed twice\n", int(e.id));
            std::exit(1);
        }
        if (e.id < 0 || e.id > 0xFFFF) {
            std::fprintf(stderr, "rcgen: string id %d is out of range\n", int(e.id));
            std::exit(1);
        }
        std::fprintf(rc, "    %d, %s\n", int(e.id), RcgenQuoted(e.id, e.text).c_str());
    }
    std::fputs("END\n\n", rc);
}

// "2.0" gives 2,0,0,0.
std::string VersionNumbers(const char* text) {
    unsigned parts[4] = {};
    int n = 0;
    for (const char* p = text; *p && n < 4; ++n) {
        parts[n] = unsigned(std::strtoul(p, const_cast<char**>(&p), 10)) & 0xFFFF;
        if (*p != '.') break;
        ++p;
    }
    char out[64];
    std::snprintf(out, sizeof out, "%u,%u,%u,%u", parts[0], parts[1], parts[2], parts[3]);
    return out;
}

void WriteVersionInfo(std::FILE* rc, const char* moduleName) {
    const char* product = TableText(kStrProductName);
    const char* version = TableText(kStrVersion);
    const std::string numbers = VersionNumbers(version);
    const std::string description = std::string(product) + " filter plug-in";
    struct Value {
        const char* key;
        std::string text;
    };
    const Value values[] = {
        {"CompanyName", TableText(kStrMakerFolder)},
        {"FileDescription", description},
        {"FileVersion", version},
        {"InternalName", product},
        {"LegalCopyright", TableText(kStrNoticeCopyright)},
        {"OriginalFilename", moduleName},
        {"ProductName", product},
        {"ProductVersion", version},
    };
    std::fprintf(rc,
                 "1 VERSIONINFO\n"
                 "FILEVERSION %s\n"
                 "PRODUCTVERSION %s\n"
                 "FILEFLAGSMASK 0x3F\n"
                 "FILEFLAGS 0\n"
                 "FILEOS 0x40004\n"  // VOS_NT_WINDOWS32
                 "FILETYPE 2\n"      // VFT_DLL
                 "FILESUBTYPE 0\n"
                 "BEGIN\n"
                 "    BLOCK \"StringFileInfo\"\n"
                 "    BEGIN\n"
                 "        BLOCK \"040904B0\"\n"  // US English, UTF-16
                 "        BEGIN\n",
                 numbers.c_str(), numbers.c_str());
    for (const Value& v : values)
        std::fprintf(rc, "            VALUE \"%s\", %s\n", v.key,
                     RcgenQuoted(0, v.text.c_str()).c_str());
    std::fputs(
        "        END\n"
        "    END\n"
        "    BLOCK \"VarFileInfo\"\n"
        "    BEGIN\n"
        "        VALUE \"Translation\", 0x409, 1200\n"
        "    END\n"
        "END\n\n",
        rc);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vantoria-rcgen <output folder> <module file name>\n");
        return 2;
    }
    const std::string folder = argv[1];
    // The script names the property files by their full path, in quotes.
    if (folder.find_first_of("\"\\") != std::string::npos) RcgenFail("unusable folder", folder);
    const std::string scriptPath = folder + "/vantoria.rc";
    std::FILE* rc = std::fopen(scriptPath.c_str(), "w");
    if (rc == nullptr) RcgenFail("cannot create", scriptPath);
    std::fputs("// Generated by vantoria-rcgen; edit resources/ instead.\n", rc);
    std::fputs("LANGUAGE 0, 0\n\n", rc);  // neutral: one copy of every resource
    WriteStringTable(rc);
    WriteDialogs(rc);
    WriteHelpText(rc, folder);
    WritePictures(rc, folder);
    WriteVersionInfo(rc, argv[2]);
    WriteProperties(rc, folder, "PIPL", "pipl.bin", BuildPipl);
    WriteProperties(rc, folder, "AETE", "aete.bin", BuildAete);
    if (std::fclose(rc) != 0) RcgenFail("cannot write", scriptPath);
    return 0;
}
