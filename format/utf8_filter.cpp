// kavron-utf8: passes the console of the program to a UTF-8 terminal as it comes, converting code
// page 852 (or 1250 with the argument 1250) to UTF-8. Unlike iconv it does not wait for the end
// of its input, so prompts show before the program waits for an answer.
#include <unistd.h>

#include <cstring>
#include <string>

#include "format/codepage.hpp"

int main(int argc, char** argv) {
    const kavron::CodePage cp = argc > 1 && std::strcmp(argv[1], "1250") == 0
                                    ? kavron::CodePage::Cp1250
                                    : kavron::CodePage::Cp852;
    char buf[4096];
    for (;;) {
        const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            return 0;
        }
        const std::string out =
            kavron::decode(std::string_view(buf, static_cast<std::size_t>(n)), cp);
        std::size_t done = 0;
        while (done < out.size()) {
            const ssize_t w = write(STDOUT_FILENO, out.data() + done, out.size() - done);
            if (w <= 0) {
                return 1;
            }
            done += static_cast<std::size_t>(w);
        }
    }
}
