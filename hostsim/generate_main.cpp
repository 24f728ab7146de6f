// hostsim-gen: writes scenario files of documents drawn from a seed, for comparing two runs of
// the same documents (the simulated loader against the real DLL under Wine) at a scale no
// hand-written scenario reaches. The same seed gives the same files on every machine: the
// numbers come from a fixed generator (splitmix64), not from the standard library's
// distributions, whose results differ between implementations.
//
//   hostsim-gen [--seed N] [--documents N] [--per-file N] DIR
//
// Writes DIR/generated-SEED-K.json, K from 1, each with at most --per-file documents (default
// 100), --documents in all (default 300), and prints the files' names and their numbers of
// documents and lines.
#include <nlohmann/json.hpp>

#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

using ordered = nlohmann::ordered_json;

namespace {

struct Random {
    uint64_t state;
    uint64_t next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // A whole number in [lo, hi].
    int64_t in(int64_t lo, int64_t hi) { return lo + int64_t(next() % uint64_t(hi - lo + 1)); }
    bool chance(int percent) { return in(1, 100) <= percent; }
    template <size_t N, typename T> T pick(const T (&values)[N]) { return values[in(0, N - 1)]; }
};

// Amounts where the host's rounding and int32 decide: halves, the neighbours of a half, the ends
// of int32 and just beyond them, and ordinary prices.
constexpr double kPrices[] = {0.01,
                              0.5,
                              1.0,
                              2.5,
                              99.995,
                              1249.5,
                              0.49999999999999994,
                              1e9,
                              21474836.47,
                              2147483647.0,
                              2147483647.5,
                              2147483648.0,
                              -2147483648.0,
                              -0.5,
                              123456.789,
                              7.0};
// Quantities in thousandths: 0, negative, the smallest, and the largest the host keeps.
constexpr int64_t kQuantities[] = {0,          1000,       -1000,       2500, -3125, 1,
                                   1000000000, 2147483647, -2147483648, 333,  12000};
// Percentages in thousandths: none, ordinary, a margin of 100 % and the ones the host rounds to
// it or just below, beyond 100 %, negative.
constexpr int64_t kPercents[] = {0,      25000,  40000, 100000, 99996,  99995,
                                 150000, -20000, 1,     12345,  1000000};
constexpr double kRates[] = {1.0, 4.31, 0.0001, 1e6, 0.5, 3.999};
// MR prices are whole grosze within int32.
constexpr int64_t kMrPrices[] = {1, 50, 1999, 2147483647, -2147483648, 100000};

double price(Random& r) {
    return r.chance(60) ? r.pick(kPrices) : double(r.in(1, 10000000)) / 100.0;
}
double quantity(Random& r) {
    return double(r.chance(60) ? r.pick(kQuantities) : r.in(-50000, 500000)) / 1000.0;
}
int16_t code(Random& r) {
    constexpr int16_t kCodes[] = {0, 0, 0, 1, 2, 3, -1, 7};
    return r.pick(kCodes);
}

ordered slots(Random& r) {
    ordered out = ordered::array();
    const int64_t n = r.in(1, 10);
    for (int64_t i = 0; i < n; ++i)
        out.push_back(
            {{"used", r.chance(60)}, {"price", r.chance(60) ? 0.0 : price(r)}, {"code", code(r)}});
    return out;
}

ordered line(Random& r, const std::string& kind) {
    // Keys 1..60 have items (in some scopes); 61..70 have none; 0 is no key.
    const int64_t key = r.chance(5) ? 0 : r.in(1, 70);
    ordered l = {{"key", key}};
    if (kind != "MM") l["scope"] = r.in(0, 3);
    l["quantity"] = quantity(r);
    if (kind == "RW") {
        l["slots"] = slots(r);
    } else if (kind == "MR") {
        l["price"] = r.chance(70) ? 0 : r.pick(kMrPrices);
        l["price_code"] = code(r);
        l["selling_code"] = code(r);
        ordered percents = ordered::array(), selling = ordered::array();
        const int64_t levels = r.in(0, 10);
        for (int64_t i = 0; i < levels; ++i) {
            percents.push_back(double(r.chance(70) ? r.pick(kPercents) : r.in(0, 200000)) / 1000.0);
            selling.push_back(r.chance(70) ? 0.0 : price(r));
        }
        l["percents"] = percents;
        l["selling"] = selling;
    } else {
        l["price"] = r.chance(50) ? 0.0 : price(r);
        l["price_code"] = code(r);
        l["slots"] = slots(r);
    }
    return l;
}

ordered document(Random& r, int number) {
    constexpr const char* kKinds[] = {"RW", "MR", "MM"};
    const std::string kind = r.pick(kKinds);
    ordered d = {{"kind", kind}, {"name", kind + " " + std::to_string(number) + "/2026"}};
    if (kind == "MR") d["method"] = r.chance(50) ? "markup" : "margin";
    if (kind == "MM") d["scope"] = r.in(0, 3);
    if (r.chance(15)) {
        // Other events pass to the host; a second Ctrl-E finds the lines already filled.
        constexpr int kEvents[] = {5, 5, 1, 5, 7, 7, 5, 1};
        const int64_t pair = r.in(0, 3);
        d["events"] = ordered::array({kEvents[2 * pair], kEvents[2 * pair + 1]});
    }
    // Most documents are short; some are longer than the plug-in's look-ahead of 16 lines.
    const int64_t lines = r.chance(10) ? r.in(17, 60) : r.in(1, 12);
    d["lines"] = ordered::array();
    for (int64_t i = 0; i < lines; ++i)
        d["lines"].push_back(line(r, kind));
    return d;
}

ordered scenario(Random& r, uint64_t seed, int file, int documents, int first) {
    ordered s;
    s["description"] =
        "Generated from seed " + std::to_string(seed) + ", file " + std::to_string(file);
    s["price_codes"] = ordered::array();
    for (int c : {1, 2, 3, 7})
        s["price_codes"].push_back({{"code", c}, {"rate", r.pick(kRates)}});
    s["price_codes"].push_back({{"code", 65535}, {"rate", r.pick(kRates)}});
    s["items"] = ordered::array();
    for (int key = 1; key <= 60; ++key) {
        // Every key has an item in scopes 0 and 1, some in 2, none in 3.
        for (int scope = 0; scope < 3; ++scope)
            if (scope < 2 || r.chance(30))
                s["items"].push_back({{"key", key},
                                      {"scope", scope},
                                      {"name", "Towar " + std::to_string(key)},
                                      {"price", price(r)},
                                      {"code", code(r)}});
    }
    s["documents"] = ordered::array();
    for (int i = 0; i < documents; ++i)
        s["documents"].push_back(document(r, first + i));
    return s;
}

[[noreturn]] void usage(const char* why) {
    std::fprintf(stderr,
                 "hostsim-gen: %s\nusage: hostsim-gen [--seed N] [--documents N] "
                 "[--per-file N] DIR\n",
                 why);
    std::exit(2);
}

uint64_t number(const char* option, const char* text, uint64_t lo, uint64_t hi) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = text ? std::strtoull(text, &end, 10) : 0;
    if (!text || !*text || *end || errno || *text == '-' || v < lo || v > hi)
        usage((std::string(option) + " takes a whole number from " + std::to_string(lo) + " to " +
               std::to_string(hi))
                  .c_str());
    return v;
}

} // namespace

int main(int argc, char** argv) {
    uint64_t seed = 1, documents = 300, per_file = 100;
    const char* dir = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (a == "--seed")
            seed = number("--seed", value, 0, UINT64_MAX), ++i;
        else if (a == "--documents")
            documents = number("--documents", value, 1, 10000000), ++i;
        else if (a == "--per-file")
            per_file = number("--per-file", value, 1, 1000), ++i;
        else if (!a.empty() && a[0] == '-')
            usage(("unknown option " + a).c_str());
        else if (dir)
            usage("one folder only");
        else
            dir = argv[i];
    }
    if (!dir) usage("no folder given");
    Random r{seed};
    int file = 0;
    for (uint64_t done = 0; done < documents; done += per_file) {
        const int n = int(documents - done < per_file ? documents - done : per_file);
        ++file;
        const ordered s = scenario(r, seed, file, n, int(done) + 1);
        const std::string path = std::string(dir) + "/generated-" + std::to_string(seed) + "-" +
                                 std::to_string(file) + ".json";
        std::ofstream out(path);
        out << s.dump(1) << '\n';
        if (!out.flush()) {
            std::fprintf(stderr, "hostsim-gen: cannot write %s\n", path.c_str());
            return 1;
        }
        size_t lines = 0;
        for (const auto& d : s["documents"])
            lines += d["lines"].size();
        std::printf("%s: %d documents, %zu lines\n", path.c_str(), n, lines);
    }
    return 0;
}
