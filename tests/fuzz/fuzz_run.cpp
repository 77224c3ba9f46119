// libFuzzer entry: whole runs in a scratch folder, checked by run_and_check.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "one_run.hpp"

namespace {

const std::filesystem::path& scratch() {
    static const std::filesystem::path dir = [] {
        std::string t = (std::filesystem::temp_directory_path() / "kavron-fuzz-XXXXXX").string();
        if (mkdtemp(t.data()) == nullptr) {
            std::abort();
        }
        return std::filesystem::path(t);
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string fault = kavron::fuzz::run_and_check(bytes, scratch());
    if (!fault.empty()) {
        std::fprintf(stderr, "%s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
