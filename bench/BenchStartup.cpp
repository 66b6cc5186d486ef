// Start-up of the real program: time from process start to the first frame in which the wizard's
// background is on screen, and the process's peak resident memory at that moment.
#include <benchmark/benchmark.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace
{
long peakResidentKiB (pid_t pid)
{
    std::ifstream status ("/proc/" + std::to_string (pid) + "/status");
    for (std::string line; std::getline (status, line);)
        if (line.rfind ("VmHWM:", 0) == 0)
            return std::strtol (line.c_str() + 6, nullptr, 10);
    return -1;
}

unsigned long pixelAt (Display* display, int x, int y)
{
    XImage* image = XGetImage (display, DefaultRootWindow (display), x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr)
        return 0;
    const auto pixel = XGetPixel (image, 0, 0) & 0xffffff;
    XDestroyImage (image);
    return pixel;
}

void BM_StartupToFirstFrame (benchmark::State& state)
{
    Display* display = XOpenDisplay (nullptr);
    if (display == nullptr)
    {
        state.SkipWithError ("needs an X display");
        return;
    }

    const int width = DisplayWidth (display, DefaultScreen (display));
    const int height = DisplayHeight (display, DefaultScreen (display));
    // A spot of bare wizard background: the bottom of the middle region, right of the caption's text.
    const int probeX = width / 3, probeY = height - 40;
    constexpr unsigned long wizardBackground = 0x323e44;

    const std::string app = ORMALIX_BINARY_DIR "/OrmalixApp_artefacts/Release/OrmalixApp";
    const std::string home = "/tmp/ormalix-bench-home";
    double peakMiB = 0;

    for (auto _ : state)
    {
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0)
        {
            ::setenv ("HOME", home.c_str(), 1);
            execl (app.c_str(), app.c_str(), (char*) nullptr);
            _exit (127);
        }

        bool painted = false;
        while (! painted && std::chrono::steady_clock::now() - start < std::chrono::seconds (30))
        {
            painted = pixelAt (display, probeX, probeY) == wizardBackground;
            if (! painted)
                std::this_thread::sleep_for (std::chrono::milliseconds (2));
        }
        const auto elapsed = std::chrono::steady_clock::now() - start;
        peakMiB = peakResidentKiB (pid) / 1024.0;

        kill (pid, SIGKILL);
        waitpid (pid, nullptr, 0);
        // Let the screen go back to black before the next start.
        while (pixelAt (display, probeX, probeY) == wizardBackground)
            std::this_thread::sleep_for (std::chrono::milliseconds (5));

        if (! painted)
        {
            state.SkipWithError ("the wizard never appeared");
            break;
        }
        state.SetIterationTime (std::chrono::duration<double> (elapsed).count());
    }

    state.counters["peak_MiB"] = peakMiB;
    XCloseDisplay (display);
}
} // namespace

BENCHMARK (BM_StartupToFirstFrame)->UseManualTime()->Unit (benchmark::kMillisecond)->Iterations (5);
