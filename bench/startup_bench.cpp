// Start-up of the real program beside a bare Qt Widgets window (a program of
// this folder that shows one titled QMainWindow and nothing else), on a
// virtual X screen of the benchmark's own (Xvfb). One X client here watches
// the screen's root window: the time from the fork that runs a program to the
// MapNotify of its first top-level window is the same span for both, taken by
// neither program's own clock. Kavrin shows a splash first; its main window's
// time is given too. A second and a half after the main window is mapped, with
// nothing to do and no network, the resident and proportional set sizes are
// read from /proc. Every round gives each program a fresh empty home (HOME and
// KAVRIN_HOME); the order rotates from round to round after one unmeasured
// start of each.
//   bench/run startup_bench [rounds]      # default 7 rounds
#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Whatever runs now, ended by the signal handler too.
volatile pid_t xvfbPid = 0;
volatile pid_t programPid = 0;

void endChildren()
{
    if (programPid > 0)
        ::kill(programPid, SIGKILL);
    if (xvfbPid > 0)
        ::kill(xvfbPid, SIGTERM);
}

void onSignal(int sig)
{
    endChildren();
    ::_exit(128 + sig);
}

// A child that dies with the benchmark, however the benchmark ends.
pid_t spawn(const std::vector<std::string> &argv, const std::vector<std::string> &env)
{
    std::vector<char *> a, e;
    for (const auto &s : argv)
        a.push_back(const_cast<char *>(s.c_str()));
    a.push_back(nullptr);
    for (const auto &s : env)
        e.push_back(const_cast<char *>(s.c_str()));
    e.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        ::execve(a[0], a.data(), e.data());
        ::_exit(127);
    }
    return pid;
}

std::vector<std::string> environmentWith(const std::map<std::string, std::string> &set)
{
    std::vector<std::string> env;
    for (char **p = environ; *p; ++p) {
        const std::string entry = *p;
        if (!set.count(entry.substr(0, entry.find('='))))
            env.push_back(entry);
    }
    for (const auto &[k, v] : set)
        env.push_back(k + "=" + v);
    return env;
}

std::string findExecutable(const std::string &name)
{
    const char *path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    for (std::string d; std::getline(dirs, d, ':');) {
        const std::string full = d + "/" + name;
        if (::access(full.c_str(), X_OK) == 0)
            return full;
    }
    return {};
}

// Xvfb tells its display number through -displayfd once it accepts clients.
std::string startXvfb()
{
    const std::string xvfb = findExecutable("Xvfb");
    if (xvfb.empty()) {
        std::fprintf(stderr, "Xvfb is not installed (scripts/setup-deps)\n");
        return {};
    }
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(127);
        ::close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        ::execl(xvfb.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-dpi", "96",
                "-nolisten", "tcp", static_cast<char *>(nullptr));
        ::_exit(127);
    }
    xvfbPid = pid;
    ::close(fds[1]);
    std::string number;
    char c = 0;
    while (::read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    ::close(fds[0]);
    if (number.empty()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return {};
    }
    return ":" + number;
}

// The client watching the root window for the programs' top-level windows.
class Watcher {
public:
    bool open(const std::string &display)
    {
        conn = xcb_connect(display.c_str(), nullptr);
        if (xcb_connection_has_error(conn))
            return false;
        root = xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(conn, root, XCB_CW_EVENT_MASK, &mask);
        splashType = atom("_NET_WM_WINDOW_TYPE_SPLASH");
        windowType = atom("_NET_WM_WINDOW_TYPE");
        xcb_flush(conn);
        return true;
    }
    ~Watcher()
    {
        if (conn)
            xcb_disconnect(conn);
    }

    struct Mapped {
        Clock::time_point at;
        xcb_window_t window;
        bool splash;
        bool overrideRedirect;
    };

    // The next top-level window mapped, or nothing by the deadline.
    std::optional<Mapped> nextMap(Clock::time_point deadline)
    {
        for (;;) {
            while (xcb_generic_event_t *ev = xcb_poll_for_event(conn)) {
                const Clock::time_point at = Clock::now();
                const bool map = (ev->response_type & 0x7f) == XCB_MAP_NOTIFY;
                xcb_map_notify_event_t m{};
                if (map)
                    m = *reinterpret_cast<xcb_map_notify_event_t *>(ev);
                std::free(ev);
                if (map && m.event == root)
                    return Mapped{at, m.window, isSplash(m.window), m.override_redirect != 0};
            }
            if (xcb_connection_has_error(conn))
                return std::nullopt;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                return std::nullopt;
            pollfd p{xcb_get_file_descriptor(conn), POLLIN, 0};
            ::poll(&p, 1, static_cast<int>(left));
        }
    }

    // Events of a program already gone are not the next program's.
    void drain()
    {
        sync();
        while (xcb_generic_event_t *ev = xcb_poll_for_event(conn))
            std::free(ev);
    }

private:
    void sync() { std::free(xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr)); }

    xcb_atom_t atom(const char *name)
    {
        xcb_intern_atom_reply_t *r
            = xcb_intern_atom_reply(conn, xcb_intern_atom(conn, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(r);
        return a;
    }
    bool isSplash(xcb_window_t w)
    {
        xcb_get_property_reply_t *r = xcb_get_property_reply(
            conn, xcb_get_property(conn, 0, w, windowType, XCB_ATOM_ATOM, 0, 16), nullptr);
        bool splash = false;
        if (r) {
            const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(r));
            const int n = xcb_get_property_value_length(r) / 4;
            splash = std::find(atoms, atoms + n, splashType) != atoms + n;
            std::free(r);
        }
        return splash;
    }

    xcb_connection_t *conn = nullptr;
    xcb_window_t root = 0;
    xcb_atom_t splashType = 0, windowType = 0;
};

long procKiB(pid_t pid, const char *file, const char *key)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + file);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(key, 0) == 0)
            return std::strtol(line.c_str() + std::strlen(key), nullptr, 10);
    return -1;
}

struct Round {
    double firstMs = 0, mainMs = 0;
    double rssMiB = 0, pssMiB = 0;
    bool splash = false;
};

struct Program {
    std::string name, path;
    std::vector<Round> rounds;
};

// One start: fork, the first window, the main window, a quiet moment, the
// sizes, then the end of the program (SIGTERM, as a session ends it).
std::optional<Round> runOnce(Watcher &watch, const std::string &display, const std::string &path,
                             const std::filesystem::path &scratch)
{
    const std::filesystem::path home = scratch / "home";
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home / "runtime");
    std::filesystem::permissions(home / "runtime", std::filesystem::perms::owner_all);
    const auto env = environmentWith({{"DISPLAY", display},
                                      {"QT_QPA_PLATFORM", "xcb"},
                                      {"QT_FONT_DPI", "96"},
                                      {"HOME", home.string()},
                                      {"KAVRIN_HOME", home.string()},
                                      {"XDG_CONFIG_HOME", (home / ".config").string()},
                                      {"XDG_CACHE_HOME", (home / ".cache").string()},
                                      {"XDG_RUNTIME_DIR", (home / "runtime").string()}});
    watch.drain();
    const Clock::time_point start = Clock::now();
    const pid_t pid = spawn({path}, env);
    if (pid < 0)
        return std::nullopt;
    programPid = pid;
    const auto ms = [&](Clock::time_point t) { return std::chrono::duration<double, std::milli>(t - start).count(); };

    Round r;
    std::optional<Round> result;
    const Clock::time_point deadline = start + std::chrono::seconds(30);
    bool first = true;
    for (;;) {
        const auto m = watch.nextMap(deadline);
        if (!m) {
            std::fprintf(stderr, "%s: no window within 30 s\n", path.c_str());
            break;
        }
        if (m->overrideRedirect)
            continue; // a tooltip or menu, never the window itself
        if (first) {
            r.firstMs = ms(m->at);
            first = false;
        }
        if (m->splash) {
            r.splash = true;
            continue;
        }
        r.mainMs = ms(m->at);
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        r.rssMiB = procKiB(pid, "status", "VmRSS:") / 1024.0;
        r.pssMiB = procKiB(pid, "smaps_rollup", "Pss:") / 1024.0;
        if (r.rssMiB > 0 && r.pssMiB > 0)
            result = r;
        else
            std::fprintf(stderr, "%s: no sizes in /proc\n", path.c_str());
        break;
    }
    ::kill(pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 500 && ::waitpid(pid, &status, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (::waitpid(pid, &status, WNOHANG) == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
    programPid = 0;
    std::filesystem::remove_all(home);
    return result;
}

struct Spread {
    double median, low, high;
};

Spread spread(const std::vector<Round> &rounds, double Round::*field)
{
    std::vector<double> v;
    for (const Round &r : rounds)
        v.push_back(r.*field);
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.front(), v.back()};
}

// Only a namespace of the benchmark's own: the loopback and nothing else.
bool privateNetwork()
{
    // /proc/net follows the namespace (a /sys mounted outside it does not).
    std::ifstream in("/proc/net/dev");
    int interfaces = 0;
    for (std::string line; std::getline(in, line);) {
        const auto colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string name = line.substr(0, colon);
        name.erase(0, name.find_first_not_of(' '));
        if (name != "lo")
            return false;
        ++interfaces;
    }
    return interfaces == 1;
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 7;
    if (!privateNetwork()) {
        std::fprintf(stderr, "run it inside a private network namespace: bench/run startup_bench\n");
        return 2;
    }
    struct sigaction sa{};
    sa.sa_handler = onSignal;
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(sig, &sa, nullptr);

    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/startup-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::fprintf(stderr, "no scratch directory: %s\n", std::strerror(errno));
        return 1;
    }
    const std::filesystem::path scratch = pattern;
    int rc = 0;
    {
        const std::string display = startXvfb();
        Watcher watch;
        std::vector<Program> programs{{"bare Qt", STARTUP_BARE_EXE, {}}, {"kavrin", KAVRIN_EXE, {}}};
        if (display.empty() || !watch.open(display)) {
            std::fprintf(stderr, "no virtual screen\n");
            rc = 1;
        }
        // One unmeasured start of each: the files the programs read come from memory afterwards for both alike.
        for (Program &p : programs)
            if (rc == 0 && !runOnce(watch, display, p.path, scratch))
                rc = 1;
        for (int round = 0; rc == 0 && round < rounds; ++round)
            for (size_t i = 0; rc == 0 && i < programs.size(); ++i) {
                Program &p = programs[(i + round) % programs.size()];
                const auto r = runOnce(watch, display, p.path, scratch);
                if (r)
                    p.rounds.push_back(*r);
                else
                    rc = 1;
            }
        if (rc == 0) {
            const Program &bare = programs[0], &kav = programs[1];
            std::printf("start-up on Xvfb 1024x768, %d rounds in rotating order, each with a fresh empty home;\n"
                        "ms from fork to the MapNotify of the window as median [fastest .. slowest];\n"
                        "sizes 1.5 s after the main window is mapped, idle, MiB as median [least .. most]\n",
                        rounds);
            const auto line = [](const char *what, Spread s, const char *unit) {
                std::printf("  %-28s %7.1f %s [%6.1f .. %6.1f]\n", what, s.median, unit, s.low, s.high);
            };
            std::printf("bare Qt window\n");
            line("window", spread(bare.rounds, &Round::mainMs), "ms ");
            line("resident (RSS)", spread(bare.rounds, &Round::rssMiB), "MiB");
            line("proportional (PSS)", spread(bare.rounds, &Round::pssMiB), "MiB");
            std::printf("kavrin%s\n", kav.rounds.front().splash ? " (a splash first, then the main window)" : "");
            line("first window", spread(kav.rounds, &Round::firstMs), "ms ");
            line("main window", spread(kav.rounds, &Round::mainMs), "ms ");
            line("resident (RSS)", spread(kav.rounds, &Round::rssMiB), "MiB");
            line("proportional (PSS)", spread(kav.rounds, &Round::pssMiB), "MiB");
            const double first = spread(kav.rounds, &Round::firstMs).median - spread(bare.rounds, &Round::mainMs).median;
            const double main = spread(kav.rounds, &Round::mainMs).median - spread(bare.rounds, &Round::mainMs).median;
            const double rss = spread(kav.rounds, &Round::rssMiB).median - spread(bare.rounds, &Round::rssMiB).median;
            const double pss = spread(kav.rounds, &Round::pssMiB).median - spread(bare.rounds, &Round::pssMiB).median;
            std::printf("kavrin - bare: first window %+.1f ms, main window %+.1f ms (goal: first window within 50 ms)\n"
                        "               RSS %+.1f MiB, PSS %+.1f MiB (goal: within 10 MB idle)\n",
                        first, main, rss, pss);
        }
    }
    endChildren();
    if (xvfbPid > 0)
        ::waitpid(xvfbPid, nullptr, 0);
    std::filesystem::remove_all(scratch);
    return rc;
}
