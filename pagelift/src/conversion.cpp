// The conversion driver and the office route.
#include "conversion.h"

#include "content.h"
#include "document.h"
#include "writers.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern char** environ;

namespace pagelift {
namespace {

bool IsAny(std::string_view ext, std::initializer_list<std::string_view> choices) {
    for (std::string_view c : choices)
        if (EqualsIgnoringCase(ext, c)) return true;
    return false;
}

std::string FindOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (!path) return {};
    std::string_view rest = path;
    while (!rest.empty()) {
        size_t colon = rest.find(':');
        std::string dir(rest.substr(0, colon));
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        if (dir.empty()) continue;
        std::string candidate = dir + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

std::string FileUrl(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 15];
        }
    }
    return url;
}

// Runs the program with stdin, stdout and stderr on /dev/null and waits.
void RunQuietly(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd = 0; fd <= 2; ++fd)
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    pid_t pid;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    posix_spawn_file_actions_destroy(&actions);
}

}  // namespace

int32_t Convert(const std::string& input, const std::string& output, const Options& options) {
    if (input.empty() || output.empty()) return 0;
    std::remove(output.c_str());

    std::string_view ext = ExtensionOf(input);
    if (IsAny(ext, {".doc", ".rtf", ".html", ".htm", ".dot"})) {
        ConvertWithWord(input, output);
        return 1;
    }
    if (!EqualsIgnoringCase(ext, ".pdf")) return 1;

    PdfDocument doc;
    doc.outputPath = output;
    doc.textFormat = options.textFormat;
    doc.zoomRatio = options.zoomRatio;
    doc.pageSeparator = options.pageSeparator;
    if (!OpenDocument(doc, input)) return 0;
    if (EqualsIgnoringCase(ExtensionOf(output), ".txt")) WriteInfoReport(doc);
    for (PageRecord& page : doc.pages)
        if (!ExtractPage(doc, page)) break;
    return 1;
}

void ConvertWithWord(const std::string& input, const std::string& output) {
    const std::string soffice = FindOnPath("soffice");
    if (soffice.empty()) return;
    const bool html = IsAny(ExtensionOf(output), {".htm", ".html"});

    // LibreOffice gets a private profile and result folder beside the output,
    // so a running instance cannot take the job and nothing lands elsewhere.
    namespace fs = std::filesystem;
    fs::path outPath(output);
    fs::path folder = outPath.has_parent_path() ? outPath.parent_path() : fs::path(".");
    std::string pattern = (folder / ".pagelift-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return;
    const fs::path work(pattern);

    // A relative input that starts with '-' would read as an option.
    const std::string source = input[0] == '-' ? "./" + input : input;
    std::error_code ec;
    const fs::path profile = fs::absolute(work / "profile", ec);
    RunQuietly({soffice, "-env:UserInstallation=" + FileUrl(profile.string()),
                "--headless", "--convert-to", html ? "html" : "txt", "--outdir", work.string(), source});

    // LibreOffice names its result after the input file, with the new extension.
    const size_t slash = input.find_last_of('/');
    std::string_view name = std::string_view(input).substr(slash == std::string::npos ? 0 : slash + 1);
    name = name.substr(0, name.size() - ExtensionOf(name).size());
    const fs::path result = work / (std::string(name) + (html ? ".html" : ".txt"));

    std::ifstream in(result, std::ios::binary);
    if (in) {
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        in.close();
        // LibreOffice starts its text with a byte-order mark; a text copy has none.
        if (!html && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
        std::ofstream out(output, std::ios::binary | std::ios::trunc);
        out << text;
    }
    fs::remove_all(work, ec);
}

}  // namespace pagelift
