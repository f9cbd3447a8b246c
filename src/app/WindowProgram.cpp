#include "app/WindowProgram.h"

#include <string>
#include <unistd.h>

namespace chordmap {

int execWindowProgram(int& argc, char** argv) {
    std::string self(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", self.data(), self.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= self.size()) return 0;
    self.resize(static_cast<std::size_t>(length));
    std::string program = self.substr(0, self.rfind('/') + 1) + "chordmap-window";
    if (argc > 0) argv[0] = program.data();
    ::execv(program.c_str(), argv);
    return 0;
}

}  // namespace chordmap
