// Runs a fuzz target over saved inputs without libFuzzer, so the seed corpus
// and any crash file can be replayed by an ordinary build and by CTest.
//
//   fuzz-line-replay fuzz/corpus/line crash-1234...
//
// Every argument is a file or a folder of files. A failed check aborts, as
// under libFuzzer; finding no input at all is a failure too, so a moved
// corpus folder cannot pass unnoticed.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool replay(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return false;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path)) {
                if (entry.is_regular_file())
                    files.push_back(entry.path());
            }
        } else {
            files.push_back(path);
        }
    }
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        std::fprintf(stderr, "usage: %s FILE|FOLDER...: no inputs found\n", argv[0]);
        return 2;
    }
    for (const auto& file : files) {
        if (!replay(file))
            return 1;
    }
    std::printf("replayed %zu inputs\n", files.size());
    return 0;
}
