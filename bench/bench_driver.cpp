// Runs the start-up probes and the Google Benchmark programs and prints one
// table, with the command that reproduces each row. Start-up is what no
// benchmark library does for us: the program and a baseline started in turn,
// paired ratios, peak memory and instruction counts. Plain C++ and POSIX, so
// that the driver itself adds nothing to what the probes measure.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "stats.h"

#include <json/json.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

extern char **environ;

namespace {

namespace fs = std::filesystem;

struct Run {
    double ms = 0;
    std::string out;
    int status = -1;
};

double now()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Starts argv[0] with its stdout on a pipe, waits for it, and times it from
// spawn to exit.
Run run(const std::vector<std::string> &args, bool quiet = true)
{
    std::vector<char *> argv;
    for (const auto &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);

    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    if (quiet)
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    Run r;
    const double start = now();
    pid_t pid = 0;
    const int err = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (err != 0) {
        close(pipeFds[0]);
        std::fprintf(stderr, "bench: cannot start %s: %s\n", argv[0], std::strerror(err));
        return r;
    }
    char buffer[4096];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        r.out.append(buffer, std::size_t(n));
    }
    close(pipeFds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    r.ms = now() - start;
    r.status = status;
    return r;
}

bool succeeded(const Run &r)
{
    return WIFEXITED(r.status) && WEXITSTATUS(r.status) == 0;
}

// What a probe or a Google Benchmark program printed: one JSON document, or null.
// Google Benchmark writes a statistic it cannot compute (the spread of a figure
// that is zero every time) as NaN, which strict JSON has no word for.
Json::Value parsed(const Run &r)
{
    Json::CharReaderBuilder builder;
    builder["allowSpecialFloats"] = true;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value json;
    std::string errors;
    if (!reader->parse(r.out.data(), r.out.data() + r.out.size(), &json, &errors)) {
        std::fprintf(stderr, "bench: unreadable results: %s\n", errors.c_str());
        return Json::Value();
    }
    return json;
}

double number(const Json::Value &object, const char *key)
{
    if (!object.isObject() || !object[key].isNumeric())
        return std::nan("");
    return object[key].asDouble();
}

// One Google Benchmark program's results (--benchmark_format=json).
class Results {
public:
    explicit Results(Json::Value json) : m_json(std::move(json)) {}

    // A benchmark's single run, or with an aggregate ("median", "max") that
    // aggregate over its repetitions; null if it did not run. The name is the
    // one it was registered under, before the settings Google Benchmark appends.
    const Json::Value &run(std::string_view benchmark, std::string_view aggregate = {}) const
    {
        for (const Json::Value &b : m_json["benchmarks"]) {
            const std::string name = b["run_name"].asString();
            const bool named = name.starts_with(benchmark) &&
                               (name.size() == benchmark.size() || name[benchmark.size()] == '/');
            if (named && b["aggregate_name"].asString() == aggregate)
                return b;
        }
        return Json::Value::nullSingleton();
    }

    // The benchmark's time in microseconds: "real_time", which is the manual time
    // where it has one, or "cpu_time".
    double microseconds(std::string_view benchmark, std::string_view aggregate = {},
                        const char *time = "real_time") const
    {
        const Json::Value &b = run(benchmark, aggregate);
        const std::string unit = b.isObject() ? b["time_unit"].asString() : "";
        const double scale = unit == "ns" ? 1e-3 : unit == "us" ? 1 : unit == "ms" ? 1e3 : unit == "s" ? 1e6 : std::nan("");
        return number(b, time) * scale;
    }

    double counter(std::string_view benchmark, std::string_view aggregate, const char *name) const
    {
        return number(run(benchmark, aggregate), name);
    }

    // How many repetitions the benchmark's median is taken over.
    std::string repetitions(std::string_view benchmark) const
    {
        const double n = number(run(benchmark, "median"), "repetitions");
        return std::isnan(n) ? "?" : std::to_string(long(n));
    }

private:
    Json::Value m_json;
};

std::optional<std::string> onPath(const std::string &name)
{
    const char *path = std::getenv("PATH");
    if (!path)
        return std::nullopt;
    std::istringstream dirs(path);
    for (std::string dir; std::getline(dirs, dir, ':');) {
        const fs::path candidate = fs::path(dir.empty() ? "." : dir) / name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
    }
    return std::nullopt;
}

// Total instructions of one run under callgrind, or nullopt.
std::optional<double> instructions(const std::string &valgrind, const std::string &probe)
{
    const fs::path out = fs::temp_directory_path() / ("kzd-callgrind." + std::to_string(getpid()));
    const Run r = run({valgrind, "--tool=callgrind", "--callgrind-out-file=" + out.string(), probe});
    std::ifstream in(out);
    std::optional<double> total;
    for (std::string line; std::getline(in, line);)
        if (line.rfind("summary:", 0) == 0 || line.rfind("totals:", 0) == 0)
            total = std::atof(line.c_str() + line.find(':') + 1);
    fs::remove(out);
    if (!succeeded(r))
        return std::nullopt;
    return total;
}

struct Row {
    std::string what;
    std::string program;
    std::string against;
    std::string ratio;
    std::string verdict;
    std::string command;
};

std::string fmt(const char *format, double v)
{
    if (std::isnan(v))
        return "n/a";
    char text[64];
    std::snprintf(text, sizeof text, format, v);
    return text;
}

std::string verdict(double value, double limit)
{
    if (std::isnan(value))
        return "n/a";
    return value <= limit ? "met" : "MISSED";
}

void printTable(const std::vector<Row> &rows)
{
    std::printf("| measure | program | baseline or target | ratio | target | command |\n");
    std::printf("|---|---:|---:|---:|---|---|\n");
    for (const Row &r : rows)
        std::printf("| %s | %s | %s | %s | %s | `%s` |\n", r.what.c_str(), r.program.c_str(), r.against.c_str(),
                    r.ratio.c_str(), r.verdict.c_str(), r.command.c_str());
}

void usage()
{
    std::fprintf(stderr,
                 "usage: bench_driver [--runs N] [--only start|memory|callgrind|handlers|art] [--launcher TEXT]\n"
                 "  --runs N       start-up runs of each probe (at least 20, default 21)\n"
                 "  --only ROWS    measure only those rows\n"
                 "  --launcher T   how the driver was started (e.g. under xvfb-run), shown above the table\n");
}

} // namespace

int main(int argc, char *argv[])
{
    int runs = 21;
    std::string only;
    std::string launcher;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc)
            runs = std::max(20, std::atoi(argv[++i]));
        else if (arg == "--only" && i + 1 < argc)
            only = argv[++i];
        else if (arg == "--launcher" && i + 1 < argc)
            launcher = argv[++i];
        else {
            usage();
            return 2;
        }
    }
    const auto wanted = [&only](const char *row) { return only.empty() || only == row; };

    const fs::path here = fs::canonical("/proc/self/exe").parent_path();
    const std::string startProbe = (here / "start_probe").string();
    const std::string baselineProbe = (here / "baseline_probe").string();
    const std::string handlerBench = (here / "handler_bench").string();
    const std::string artBench = (here / "art_bench").string();
    // Commands are shown relative to where the driver was run from.
    const auto shown = [](const fs::path &p, const std::string &rest = {}) {
        std::string path = fs::relative(p).string();
        if (path.empty() || path.rfind("..", 0) == 0)
            path = p.string();
        return rest.empty() ? path : path + " " + rest;
    };
    const std::string driver = (here / "bench_driver").string();

    const char *qpa = std::getenv("QT_QPA_PLATFORM");
    const char *display = std::getenv("DISPLAY");
    std::string where = qpa && *qpa ? std::string("Qt platform \"") + qpa + "\""
                        : display && *display ? std::string("X server ") + display + " (xcb)"
                                              : std::string("no display");
    if (!launcher.empty() && launcher.find("xvfb-run") != std::string::npos)
        where += ", Xvfb";
    long cores = sysconf(_SC_NPROCESSORS_ONLN);
    std::printf("Benchmarks on %s, %ld cores.\n", where.c_str(), cores);
    if (!launcher.empty())
        std::printf("Each command below runs under: `%s`\n", launcher.c_str());
    std::printf("\n");

    std::vector<Row> rows;
    std::vector<double> startMs, baseMs, ratios, startRss, baseRss;
    if (wanted("start") || wanted("memory")) {
        // One unmeasured run of each fills the file cache.
        run({startProbe});
        run({baselineProbe});
        for (int i = 0; i < runs; ++i) {
            // Alternate which goes first, so drift in the machine hits both alike.
            const bool programFirst = i % 2 == 0;
            Run a, b;
            if (programFirst) {
                a = run({startProbe});
                b = run({baselineProbe});
            } else {
                b = run({baselineProbe});
                a = run({startProbe});
            }
            if (!succeeded(a) || !succeeded(b)) {
                std::fprintf(stderr, "bench: a start-up probe failed (status %d, %d); is there a display?\n",
                             a.status, b.status);
                return 1;
            }
            startMs.push_back(a.ms);
            baseMs.push_back(b.ms);
            ratios.push_back(a.ms / b.ms);
            startRss.push_back(number(parsed(a), "peak_rss_kib"));
            baseRss.push_back(number(parsed(b), "peak_rss_kib"));
        }
    }
    if (wanted("start")) {
        const double ratio = bench::median(ratios);
        rows.push_back({"Start to first frame, median of " + std::to_string(runs) + " (ms)", fmt("%.1f", bench::median(startMs)),
                        fmt("%.1f", bench::median(baseMs)), fmt("%.2f", ratio), "≤ 1.30: " + verdict(ratio, 1.30),
                        shown(driver, "--only start")});
    }
    if (wanted("callgrind")) {
        if (const auto valgrind = onPath("valgrind")) {
            const auto a = instructions(*valgrind, startProbe);
            const auto b = instructions(*valgrind, baselineProbe);
            const double ratio = a && b ? *a / *b : std::nan("");
            rows.push_back({"Instructions to first frame, callgrind (millions)", fmt("%.1f", a ? *a / 1e6 : std::nan("")),
                            fmt("%.1f", b ? *b / 1e6 : std::nan("")), fmt("%.2f", ratio),
                            "≤ 1.30: " + verdict(ratio, 1.30),
                            "valgrind --tool=callgrind " + shown(startProbe) + " (and baseline_probe)"});
        } else {
            rows.push_back({"Instructions to first frame, callgrind", "n/a", "n/a", "n/a", "valgrind missing", "-"});
        }
    }
    if (wanted("memory")) {
        const double a = bench::median(startRss) / 1024, b = bench::median(baseRss) / 1024;
        rows.push_back({"Peak RSS at first frame (MiB)", fmt("%.1f", a), fmt("%.1f", b), fmt("%.2f", a / b),
                        "≤ 1.15: " + verdict(a / b, 1.15), shown(driver, "--only memory")});
    }
    // A Google Benchmark program's results, or nullopt when it failed.
    const auto benchmarks = [](const std::string &program) -> std::optional<Results> {
        const Run r = run({program, "--benchmark_format=json"}, false);
        Json::Value json = parsed(r);
        if (!succeeded(r) || json.isNull()) {
            std::fprintf(stderr, "bench: %s failed (status %d)\n", program.c_str(), r.status);
            return std::nullopt;
        }
        return Results(std::move(json));
    };
    const auto both = [](const char *format, double square, double box) {
        return fmt(format, square) + " / " + fmt(format, box);
    };
    if (wanted("handlers")) {
        const auto h = benchmarks(handlerBench);
        if (!h)
            return 1;
        const auto cmd = [&](const char *filter) {
            return shown(handlerBench, std::string("--benchmark_filter='") + filter + "'");
        };
        const auto median = [&h](const char *marker, const char *what) {
            return h->microseconds(std::string("Place/") + marker + "/" + what, "median");
        };
        const double placeUs = std::max(median("square", "handler"), median("box", "handler"));
        rows.push_back({"Placement: press handler, median of " + h->repetitions("Place/square/handler") +
                            " (µs), enemy square / numbered box",
                        both("%.2f", median("square", "handler"), median("box", "handler")), "≤ 10", "",
                        verdict(placeUs, 10), cmd("Place/.*/handler/")});
        rows.push_back({"Placement: press handler with the core's caches cold, median of " +
                            h->repetitions("Place/square/handler_cold") + " (µs)",
                        both("%.2f", median("square", "handler_cold"), median("box", "handler_cold")), "", "", "-",
                        cmd("handler_cold")});
        rows.push_back({"Placement: handler + repaint (µs), enemy square / numbered box",
                        both("%.1f", median("square", "handler_repaint"), median("box", "handler_repaint")), "", "", "-",
                        cmd("Place/.*/handler_repaint")});
        const double squareArea = h->counter("Place/square/handler_repaint", "max", "area_px");
        const double boxArea = h->counter("Place/box/handler_repaint", "max", "area_px");
        rows.push_back({"Placement: repainted area, largest (px), enemy square / numbered box",
                        both("%.0f", squareArea, boxArea), "≤ 578 (2 × 17 × 17)", "",
                        verdict(std::max(squareArea, boxArea), 578), cmd("Place/.*/handler_repaint")});
        const double clearMs = h->microseconds("Clear/filled/handler", "median") / 1e3;
        rows.push_back({"Clear on a filled sheet: handler, median of " + h->repetitions("Clear/filled/handler") + " (ms)",
                        fmt("%.3f", clearMs), "≤ 0.5", "", verdict(clearMs, 0.5), cmd("Clear/filled/handler/")});
        rows.push_back({"Clear on a filled sheet: handler + repaint (ms)",
                        fmt("%.3f", h->microseconds("Clear/filled/handler_repaint", "median") / 1e3), "", "", "-",
                        cmd("Clear/filled/handler_repaint")});
        const double clearArea = h->counter("Clear/filled/handler_repaint", "median", "area_px");
        const double changedArea = h->counter("Clear/filled/handler_repaint", "median", "changed_px");
        rows.push_back({"Clear on a filled sheet: repainted area (px)", fmt("%.0f", clearArea),
                        "≤ " + fmt("%.0f", changedArea) + " (cells, notes, markers)", "",
                        verdict(clearArea, changedArea), cmd("Clear/filled/handler_repaint")});
        rows.push_back({"Clear on an empty sheet: handler (ms) / repainted area (px)",
                        fmt("%.3f", h->microseconds("Clear/empty/handler", "median") / 1e3) + " / " +
                            fmt("%.0f", h->counter("Clear/empty/handler", "median", "area_px")),
                        "", "", "-", cmd("Clear/empty")});
        const double idleTimers = h->counter("Idle", "", "timer_events");
        const double idlePaints = h->counter("Idle", "", "paint_events");
        rows.push_back({"Idle for 1 s after start: timer events / paint events / CPU ms",
                        fmt("%.0f", idleTimers) + " / " + fmt("%.0f", idlePaints) + " / " +
                            fmt("%.1f", h->counter("Idle", "", "cpu_ms")),
                        "0 / 0", "", verdict(idleTimers + idlePaints, 0), cmd("Idle")});
    }
    // The pictures are drawn in memory: their CPU time is their wall-clock time
    // less the waits for a core that other work on the machine causes.
    if (wanted("art")) {
        const auto a = benchmarks(artBench);
        if (!a)
            return 1;
        const std::pair<const char *, const char *> pictures[] = {
            {"Hex grid", "Art/grid"}, {"Clear button face", "Art/clear_face"}, {"Close button face", "Art/close_face"}};
        for (const auto &[what, name] : pictures) {
            const std::string base = name;
            rows.push_back({std::string(what) + ", ratio 1 / 2, CPU time, median of " + a->repetitions(base + "/ratio:1") +
                                " runs (µs)",
                            both("%.1f", a->microseconds(base + "/ratio:1", "median", "cpu_time"),
                                 a->microseconds(base + "/ratio:2", "median", "cpu_time")),
                            "", "", "-", shown(artBench, "--benchmark_filter=" + base + "/")});
        }
    }
    printTable(rows);
    return 0;
}
