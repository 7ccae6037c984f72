// Runs a fuzz target without libFuzzer, in the sanitizer build of the tests: every file named
// (or found in a folder named) is given to the target once, then, with --mutate SECONDS, inputs
// made by small random changes to those files for that long. The random changes start from a
// fixed seed, so a run repeats; an input is written to "last-input" in the working folder
// before it runs, so the one that failed is at hand to keep among the regressions.
//
// As when fuzzing, an input fails when it crashes, when it runs too long (kInputSeconds, more
// than the fuzzer allows since tests share the machine) or when the process grows beyond
// kMostMemoryMb.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using tInput = std::vector<uint8_t>;

constexpr unsigned kInputSeconds = 5;
constexpr long kMostMemoryMb = 256;

void TooLong(int) {
    static const char message[] = "An input ran too long; it is kept in last-input\n";
    if (write(STDERR_FILENO, message, sizeof message - 1) < 0)
        _exit(3);
    _exit(3);
}

long PeakMemoryMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

tInput ReadInput(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return tInput(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void KeepAsLastInput(const tInput& input) {
    std::ofstream out("last-input", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(input.data()), std::streamsize(input.size()));
}

void Run(const tInput& input) {
    KeepAsLastInput(input);
    alarm(kInputSeconds);
    LLVMFuzzerTestOneInput(input.data(), input.size());
    alarm(0);
    if (PeakMemoryMb() > kMostMemoryMb) {
        std::fprintf(stderr, "An input took %ld MB; it is kept in last-input\n", PeakMemoryMb());
        std::exit(4);
    }
}

std::vector<tInput> CollectInputs(const std::vector<std::string>& names) {
    std::vector<tInput> inputs;
    for (const std::string& name : names) {
        if (std::filesystem::is_directory(name)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(name))
                if (entry.is_regular_file() && entry.path().filename() != ".gitkeep")
                    inputs.push_back(ReadInput(entry.path()));
        } else if (std::filesystem::is_regular_file(name)) {
            inputs.push_back(ReadInput(name));
        } else {
            std::fprintf(stderr, "No such input: %s\n", name.c_str());
            std::exit(2);
        }
    }
    return inputs;
}

// One random change, of the kinds that find most faults in file readers: a byte changed, a
// byte set to an extreme, a run of bytes removed, repeated or cut off at the end.
void Mutate(tInput& input, std::mt19937& random) {
    auto pick = [&](size_t n) { return n == 0 ? 0 : size_t(random() % n); };
    const uint8_t extremes[] = {0x00, 0x01, 0x7F, 0x80, 0xFF};
    switch (random() % 6) {
    case 0:
        if (!input.empty())
            input[pick(input.size())] ^= uint8_t(1u << (random() % 8));
        break;
    case 1:
        if (!input.empty())
            input[pick(input.size())] = extremes[random() % std::size(extremes)];
        break;
    case 2:
        if (!input.empty())
            input[pick(input.size())] = uint8_t(random());
        break;
    case 3: {
        const size_t at = pick(input.size()), length = std::min(input.size() - at, 1 + pick(16));
        input.erase(input.begin() + std::ptrdiff_t(at), input.begin() + std::ptrdiff_t(at + length));
        break;
    }
    case 4: {
        const size_t at = pick(input.size()), length = std::min(input.size() - at, 1 + pick(16));
        const tInput run(input.begin() + std::ptrdiff_t(at), input.begin() + std::ptrdiff_t(at + length));
        input.insert(input.begin() + std::ptrdiff_t(at), run.begin(), run.end());
        break;
    }
    default: input.resize(pick(input.size() + 1)); break;
    }
}

void RunMutations(const std::vector<tInput>& seeds, double seconds) {
    std::mt19937 random(20261209);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    long runs = 0;
    while (std::chrono::steady_clock::now() < end) {
        tInput input = seeds[random() % seeds.size()];
        const int changes = 1 + int(random() % 4);
        for (int i = 0; i < changes; ++i)
            Mutate(input, random);
        Run(input);
        ++runs;
    }
    std::printf("%ld mutated inputs ran\n", runs);
}

} // namespace

int main(int argc, char** argv) {
    double mutateSeconds = 0;
    std::vector<std::string> names;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--mutate") == 0 && i + 1 < argc)
            mutateSeconds = std::atof(argv[++i]);
        else
            names.emplace_back(argv[i]);
    }
    std::signal(SIGALRM, TooLong);
    const std::vector<tInput> inputs = CollectInputs(names);
    if (inputs.empty()) {
        std::fprintf(stderr, "No inputs to replay\n");
        return 2;
    }
    for (const tInput& input : inputs)
        Run(input);
    std::printf("%zu inputs replayed\n", inputs.size());
    if (mutateSeconds > 0)
        RunMutations(inputs, mutateSeconds);
    return 0;
}
