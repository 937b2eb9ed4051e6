// Throughput of SHA-1 and RC4 on 64 KiB and 1 MiB buffers, each beside
// OpenSSL's EVP implementation in the same run, followed by the ratio
// ours/OpenSSL (above 1 means faster than OpenSSL). RC4 is also measured for
// each of its kernels, with the one Rc4Crypt chose on this CPU named.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "crypto/rc4.h"
#include "crypto/rc4_kernels.h"
#include "crypto/sha1.h"

namespace {

constexpr std::int64_t kSizes[] = {64 * 1024, 1024 * 1024};
constexpr const char* kOurs = "Veilfold";
constexpr const char* kTheirs = "OpenSSL";
// The machine is shared: repetitions run interleaved in random order, and the
// ratio compares best CPU times, which other load can only make worse.
constexpr int kRepetitions = 9;

std::vector<std::uint8_t> TestData(std::size_t size) {
    std::vector<std::uint8_t> data(size);
    std::uint32_t x = 0x12345678;
    for (auto& byte : data) {
        x = x * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(x >> 24);
    }
    return data;
}

const std::uint8_t kKey[20] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};

void Sha1Ours(benchmark::State& state) {
    auto data = TestData(static_cast<std::size_t>(state.range(0)));
    KeyDigest digest;
    for (auto _ : state) {
        Sha1Buffer(data.data(), static_cast<std::uint32_t>(data.size()), digest);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void Sha1OpenSsl(benchmark::State& state) {
    auto data = TestData(static_cast<std::size_t>(state.range(0)));
    EVP_MD* sha1 = EVP_MD_fetch(nullptr, "SHA1", nullptr);
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    for (auto _ : state) {
        EVP_DigestInit_ex(context, sha1, nullptr);
        EVP_DigestUpdate(context, data.data(), data.size());
        EVP_DigestFinal_ex(context, digest, &digestLength);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
    EVP_MD_CTX_free(context);
    EVP_MD_free(sha1);
}

void Rc4Ours(benchmark::State& state) {
    auto data = TestData(static_cast<std::size_t>(state.range(0)));
    Rc4State rc4;
    Rc4Init(kKey, sizeof kKey, rc4);
    for (auto _ : state) {
        Rc4Crypt(data.data(), static_cast<std::int32_t>(data.size()), rc4);
        benchmark::DoNotOptimize(data.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void Rc4Kernel(benchmark::State& state, rc4_kernels::Kernel kernel) {
    auto data = TestData(static_cast<std::size_t>(state.range(0)));
    Rc4State rc4;
    Rc4Init(kKey, sizeof kKey, rc4);
    for (auto _ : state) {
        kernel(data.data(), static_cast<std::int32_t>(data.size()), rc4);
        benchmark::DoNotOptimize(data.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void Rc4OpenSsl(benchmark::State& state) {
    auto data = TestData(static_cast<std::size_t>(state.range(0)));
    EVP_CIPHER* rc4 = EVP_CIPHER_fetch(nullptr, "RC4", nullptr);
    if (rc4 == nullptr) {
        state.SkipWithError("OpenSSL has no RC4 (legacy provider missing)");
        return;
    }
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(context, rc4, nullptr, nullptr, nullptr);
    EVP_CIPHER_CTX_set_key_length(context, sizeof kKey);
    EVP_EncryptInit_ex(context, nullptr, nullptr, kKey, nullptr);
    int outLength = 0;
    for (auto _ : state) {
        EVP_EncryptUpdate(context, data.data(), &outLength, data.data(), static_cast<int>(data.size()));
        benchmark::DoNotOptimize(data.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
    EVP_CIPHER_CTX_free(context);
    EVP_CIPHER_free(rc4);
}

// Prints as usual and keeps the best time of every benchmark, keyed by
// algorithm, implementation and size, for the ratio table at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool usable = run.run_type == Run::RT_Aggregate ? run.aggregate_name == "min" : run.repetitions <= 1;
            if (!usable || run.error_occurred) continue;
            const std::string& name = run.run_name.function_name;  // "<algorithm>/<implementation>"
            const std::size_t slash = name.find('/');
            bestTimes_[{name.substr(0, slash), run.run_name.args}][name.substr(slash + 1)] = run.GetAdjustedCPUTime();
        }
    }

    // Every implementation of an algorithm against OpenSSL's.
    void PrintRatios() const {
        std::printf("\n%-6s %9s  %-16s %s\n", "", "size", "", "ours/OpenSSL throughput");
        for (const auto& [key, times] : bestTimes_) {
            auto theirs = times.find(kTheirs);
            if (theirs == times.end()) continue;
            for (const auto& [implementation, time] : times)
                if (implementation != kTheirs)
                    std::printf("%-6s %9s  %-16s %.2fx\n", key.first.c_str(), key.second.c_str(),
                                implementation.c_str(), theirs->second / time);
        }
    }

private:
    std::map<std::pair<std::string, std::string>, std::map<std::string, double>> bestTimes_;
};

template <typename Function, typename... Args>
void Register(const std::string& name, Function function, Args... args) {
    auto* bench = benchmark::RegisterBenchmark(name.c_str(), function, args...);
    for (std::int64_t size : kSizes) bench->Arg(size);
    bench->Repetitions(kRepetitions)
        ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
        ->ReportAggregatesOnly(true)
        ->MinTime(0.1)
        ->Unit(benchmark::kMicrosecond);
}

}  // namespace

int main(int argc, char** argv) {
    // RC4 lives in OpenSSL's legacy provider; loading one provider by hand
    // stops the default one from loading by itself, so load both.
    OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
    OSSL_PROVIDER* standard = OSSL_PROVIDER_load(nullptr, "default");

    Register(std::string("SHA1/") + kOurs, Sha1Ours);
    Register(std::string("SHA1/") + kTheirs, Sha1OpenSsl);
    Register(std::string("RC4/") + kOurs, Rc4Ours);
    Register(std::string("RC4/") + kTheirs, Rc4OpenSsl);
    for (const rc4_kernels::NamedKernel& kernel : rc4_kernels::kAll)
        Register(std::string("RC4/") + kOurs + "-" + kernel.name, Rc4Kernel, kernel.crypt);

    std::vector<char*> args(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);  // a later argument may still override it
    int argCount = static_cast<int>(args.size());
    benchmark::Initialize(&argCount, args.data());
    if (benchmark::ReportUnrecognizedArguments(argCount, args.data())) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    std::printf("RC4 kernel chosen on this CPU for %d bytes and more: %s\n", int{rc4_kernels::kCalibratedFrom},
                rc4_kernels::Chosen().name);
    benchmark::Shutdown();

    if (legacy) OSSL_PROVIDER_unload(legacy);
    if (standard) OSSL_PROVIDER_unload(standard);
    return 0;
}
