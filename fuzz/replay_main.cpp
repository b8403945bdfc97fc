// Runs one harness without libFuzzer, as a test of the ordinary build: every input of its
// corpus, then a fixed number of mutations of each (bits flipped, bytes set to values parsers
// care about, ranges cut, doubled or truncated). The mutations come from a fixed seed, so a run
// is the same every time and a failure happens again when run again.
//   fuzz_<harness> [--mutations N] [--share K/N] FOLDER_OR_FILE ...
// With --share the runs (each input, then each of its mutations, counted in order from 0) are
// dealt out to N processes, which may run at once: this one runs those whose count leaves K - 1
// over when divided by N. It still makes every mutation, so that the N shares together run
// exactly the inputs that one replay runs.
// A crash or an abort writes the input that caused it to ./failed-input-<harness> and says so.
#include "fuzz/scratch_file.h"

#include <algorithm>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

using Bytes = std::vector<uint8_t>;

// What the signal handler writes out: the input being run when the harness failed.
const Bytes* currentInput = nullptr;
char failedInputPath[512] = "failed-input";

extern "C" void writeFailedInput(int signal) {
    if (currentInput != nullptr) {
        const int file = ::open(failedInputPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (file >= 0) {
            const ssize_t written = ::write(file, currentInput->data(), currentInput->size());
            (void)written;
            ::close(file);
        }
        const char said[] = "the input that failed is in ";
        ssize_t written = ::write(STDERR_FILENO, said, sizeof said - 1);
        written = ::write(STDERR_FILENO, failedInputPath, std::strlen(failedInputPath));
        written = ::write(STDERR_FILENO, "\n", 1);
        (void)written;
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void run(const Bytes& input) {
    currentInput = &input;
    LLVMFuzzerTestOneInput(input.data(), input.size());
    currentInput = nullptr;
}

// Which of the runs this process runs: those whose count leaves `index` over when divided by
// `count`.
struct Share {
    long index = 0;
    long count = 1;

    [[nodiscard]] bool runs(long run) const { return run % count == index; }
};

// A 32-bit hash of `input` (FNV-1a): the replay prints the sum of its runs' hashes, so that
// the shares of a replay can be seen to run together the same inputs as one replay.
uint32_t hashOf(const Bytes& input) {
    uint32_t hash = 2166136261U;
    for (const uint8_t byte : input) hash = (hash ^ byte) * 16777619U;
    return hash;
}

// "K/N" as the share K of N; nothing where it is not two whole numbers with K from 1 to N.
std::optional<Share> shareOf(const char* text) {
    char* end = nullptr;
    const long share = std::strtol(text, &end, 10);
    if (end == text || *end != '/') return std::nullopt;
    const char* countAt = end + 1;
    const long count = std::strtol(countAt, &end, 10);
    if (end == countAt || *end != '\0' || count < 1 || share < 1 || share > count) {
        return std::nullopt;
    }
    return Share{share - 1, count};
}

// Bytes the readers under test treat specially: ends of ranges, JSON and markup punctuation,
// digits, and the first bytes of multi-byte UTF-8.
constexpr uint8_t kTellingBytes[] = {0x00, 0x01, 0x7f, 0x80, 0xff, 0xfe, '"',  '\\', '{', '}',
                                     '[',  ']',  ',',  ':',  '<',  '>',  '&',  '%',  '0', '9',
                                     '-',  '.',  'e',  ' ',  '\n', 0xc3, 0xe4, 0xf0};

Bytes mutated(const Bytes& seed, std::mt19937& random) {
    Bytes bytes = seed;
    const auto below = [&random](size_t n) {
        return n == 0 ? size_t{0} : std::uniform_int_distribution<size_t>(0, n - 1)(random);
    };
    const int changes = 1 + static_cast<int>(below(4));
    for (int change = 0; change < changes; ++change) {
        switch (below(bytes.empty() ? 1 : 6)) {
            case 0: {  // insert a telling byte
                bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(below(bytes.size() + 1)),
                             kTellingBytes[below(std::size(kTellingBytes))]);
                break;
            }
            case 1:
                bytes[below(bytes.size())] ^= static_cast<uint8_t>(1U << below(8));
                break;
            case 2:
                bytes[below(bytes.size())] = kTellingBytes[below(std::size(kTellingBytes))];
                break;
            case 3: {  // cut a range
                const size_t from = below(bytes.size());
                const size_t length = 1 + below(std::min<size_t>(bytes.size() - from, 64));
                bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                            bytes.begin() + static_cast<std::ptrdiff_t>(from + length));
                break;
            }
            case 4: {  // double a range in place
                const size_t from = below(bytes.size());
                const size_t length = 1 + below(std::min<size_t>(bytes.size() - from, 64));
                const Bytes range(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                                  bytes.begin() + static_cast<std::ptrdiff_t>(from + length));
                bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(from), range.begin(),
                             range.end());
                break;
            }
            default:
                bytes.resize(below(bytes.size()));
                break;
        }
    }
    return bytes;
}

std::vector<std::filesystem::path> inputsOf(const std::vector<std::string>& places) {
    std::vector<std::filesystem::path> inputs;
    for (const std::string& place : places) {
        if (std::filesystem::is_directory(place)) {
            std::vector<std::filesystem::path> found;
            for (const auto& entry : std::filesystem::directory_iterator(place)) {
                if (entry.is_regular_file()) found.push_back(entry.path());
            }
            std::sort(found.begin(), found.end());
            inputs.insert(inputs.end(), found.begin(), found.end());
        } else {
            inputs.emplace_back(place);
        }
    }
    return inputs;
}

Bytes contentsOf(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        std::exit(2);
    }
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
    const std::string harness = std::filesystem::path(argv[0]).filename().string();
    long mutations = 0;
    std::optional<Share> share = Share{};
    std::vector<std::string> places;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--mutations") == 0 && i + 1 < argc) {
            mutations = std::strtol(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--share") == 0 && i + 1 < argc) {
            share = shareOf(argv[++i]);
        } else {
            places.emplace_back(argv[i]);
        }
    }
    if (places.empty() || mutations < 0 || !share) {
        std::fprintf(stderr, "usage: %s [--mutations N] [--share K/N] FOLDER_OR_FILE ...\n",
                     argv[0]);
        return 2;
    }
    std::snprintf(failedInputPath, sizeof failedInputPath, "failed-input-%s", harness.c_str());
    for (const int signal : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL}) {
        std::signal(signal, writeFailedInput);
    }

    // Registered before the harness sets up, so that it runs after the harness's own objects
    // are gone and nothing writes to the removed files again.
    std::atexit([] { ScratchFile::removeOwnFiles(); });
    // Harnesses set up once (a GUI application, a sandbox), as libFuzzer would have them do.
    int fuzzerArgc = 1;
    char** fuzzerArgv = argv;
    if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&fuzzerArgc, &fuzzerArgv);

    const std::vector<std::filesystem::path> inputs = inputsOf(places);
    std::mt19937 random(0x5eedU);
    long counted = 0;
    long runs = 0;
    uint32_t hashes = 0;
    const auto runShared = [&](const Bytes& input) {
        if (share->runs(counted++)) {
            run(input);
            ++runs;
            hashes += hashOf(input);
        }
    };
    for (const std::filesystem::path& path : inputs) {
        const Bytes seed = contentsOf(path);
        runShared(seed);
        for (long i = 0; i < mutations; ++i) runShared(mutated(seed, random));
    }
    std::printf("%s: %zu inputs and %ld runs of %ld (share %ld of %ld, hash sum %u), no failure\n",
                harness.c_str(), inputs.size(), runs, counted, share->index + 1, share->count,
                static_cast<unsigned>(hashes));
    return 0;
}
