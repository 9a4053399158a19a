#pragma once
// Many runs of a tool in one process. A tool built with the sanitizers spends a good part of a second
// starting (loading, relocating and registering its libraries), far more than converting a small picture,
// so the external checks hand a whole corpus to one process:
//
//     TOOL --batch LIST
//
// Each line of LIST holds the arguments of one run, separated by blanks (no quoting: names without blanks).
// Empty lines and lines starting with '#' are skipped. A line ending in "> FILE" sends what that run prints
// to FILE, one ending in "2> FILE" its messages (both may end a line, in either order). After each run the tool prints its exit status and the line ("0 IN OUT ...") on standard output;
// messages go to standard error as in a single run. The batch exits 0 when every run did, else 1.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tools {

// Sends a standard stream to a file for one run of a batch (nothing when the name is empty).
class Redirect {
public:
    Redirect(std::FILE* stream, const std::string& file, const char* tool) : FStream(stream) {
        if (file.empty())
            return;
        std::fflush(FStream);
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) {
            std::fprintf(stderr, "%s: cannot write %s\n", tool, file.c_str());
            FOk = false;
            return;
        }
        FSaved = ::dup(::fileno(FStream));
        ::dup2(fd, ::fileno(FStream));
        ::close(fd);
    }
    Redirect(const Redirect&) = delete;
    Redirect& operator=(const Redirect&) = delete;
    ~Redirect() { Restore(); }
    bool Ok() const { return FOk; }
    void Restore() {
        if (FSaved < 0)
            return;
        std::fflush(FStream);
        ::dup2(FSaved, ::fileno(FStream));
        ::close(FSaved);
        FSaved = -1;
    }

private:
    std::FILE* FStream;
    int FSaved = -1;
    bool FOk = true;
};

// Runs `run(argc, argv)` for each line of the list file named by `argv[2]` when the command line is
// "TOOL --batch LIST"; returns -1 (nothing run) for any other command line.
template <class Run> int RunBatch(int argc, char** argv, Run run) {
    if (argc != 3 || std::string(argv[1]) != "--batch")
        return -1;
    std::ifstream list(argv[2]);
    if (!list) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[2]);
        return 2;
    }
    int failed = 0;
    std::string line;
    while (std::getline(list, line)) {
        std::vector<std::string> words;
        std::istringstream split(line);
        for (std::string word; split >> word;)
            words.push_back(word);
        if (words.empty() || words[0][0] == '#')
            continue;
        std::string output, messages;
        while (words.size() >= 2 && (words[words.size() - 2] == ">" || words[words.size() - 2] == "2>")) {
            (words[words.size() - 2] == ">" ? output : messages) = words.back();
            words.resize(words.size() - 2);
        }
        std::vector<char*> args{argv[0]};
        for (auto& word : words)
            args.push_back(word.data());
        args.push_back(nullptr);
        int status = 1;
        Redirect out(stdout, output, argv[0]);
        Redirect err(stderr, messages, argv[0]);
        if (out.Ok() && err.Ok()) {
            try {
                status = run(int(args.size() - 1), args.data());
            } catch (const std::exception& e) {
                std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
                status = 1;
            }
        }
        err.Restore();
        out.Restore();
        std::fflush(stderr);
        std::printf("%d %s\n", status, line.c_str());
        std::fflush(stdout);
        failed += status != 0;
    }
    return failed ? 1 : 0;
}

} // namespace tools
