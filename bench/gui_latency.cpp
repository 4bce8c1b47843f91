// What a person waits for in the desktop program, timed on a real X server:
//   start:  from the program's start (exec) to the main window painted;
//   topic:  from a click on "Любовь" to the six month buttons filled;
//   first:  from the first click on a month button to the last change of the
//           viewer's pixels (the month page fully painted);
//   again:  the same for the following month buttons.
// Before each click the pointer rests on the button for --hover milliseconds
// (300 by default, as a person's hand does; 0 clicks at once).
// The driver starts itself once per round as a new process (so every round
// meets a cold program), clicks as a person does, and watches the viewer's
// pixels from a second X connection in a thread of its own, so that the
// watching does not hold up the program. It prints each round and the medians.
//
// Usage (the web engine needs its variables when run as root):
//   export QTWEBENGINE_DISABLE_SANDBOX=1
//   export QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu --disable-dev-shm-usage"
//   xvfb-run -a -s "-screen 0 1600x1200x24" gui_latency [--rounds N] [--hover MS]
// A window manager on the display (openbox) makes it closer to a desktop.

#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/gui/program.h"
#include "app/gui/report_viewer.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Watches an X window's pixels from its own connection and thread: the time
// of the last change it saw.
class PixelWatcher {
  public:
    PixelWatcher(std::uint32_t window, int width, int height)
        : window_(window), width_(width), height_(height), thread_([this] { Watch(); }) {}
    ~PixelWatcher() {
        stop_ = true;
        thread_.join();
    }
    PixelWatcher(const PixelWatcher&) = delete;
    PixelWatcher& operator=(const PixelWatcher&) = delete;

    // The time of the last change; empty until the first picture was read.
    std::optional<Clock::time_point> LastChange() const {
        const std::lock_guard lock(mutex_);
        return lastChange_;
    }

  private:
    static constexpr int RowStep = 6;

    void Watch() {
        xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
        std::uint64_t previous = 0;
        while (!stop_) {
            // Every RowStep-th row, requested at once: a cheap read for the X
            // server, so that the watching does not slow the drawing down.
            std::vector<xcb_get_image_cookie_t> cookies;
            for (int row = 0; row < height_; row += RowStep) {
                cookies.push_back(xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window_, 0,
                                                static_cast<std::int16_t>(row), width_, 1, ~0u));
            }
            std::uint64_t hash = 1469598103934665603ULL;  // FNV-1a over the rows
            bool complete = true;
            for (const xcb_get_image_cookie_t cookie : cookies) {
                xcb_generic_error_t* error = nullptr;
                xcb_get_image_reply_t* reply = xcb_get_image_reply(connection, cookie, &error);
                if (reply == nullptr) {
                    complete = false;
                } else {
                    const std::uint8_t* data = xcb_get_image_data(reply);
                    const int length = xcb_get_image_data_length(reply);
                    for (int i = 0; i + 4 <= length; i += 4) {
                        std::uint32_t pixel;
                        std::memcpy(&pixel, data + i, 4);
                        hash = (hash ^ pixel) * 1099511628211ULL;
                    }
                }
                std::free(reply);
                std::free(error);
            }
            const Clock::time_point now = Clock::now();
            if (complete && hash != previous) {
                previous = hash;
                const std::lock_guard lock(mutex_);
                lastChange_ = now;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        xcb_disconnect(connection);
    }

    const std::uint32_t window_;
    const int width_;
    const int height_;
    std::atomic<bool> stop_ = false;
    mutable std::mutex mutex_;
    std::optional<Clock::time_point> lastChange_;
    std::thread thread_;
};

// Runs the event loop until the condition holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, int milliseconds) {
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (!condition()) {
        if (Clock::now() > end) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return true;
}

// Moves the pointer onto the button and rests there for the time given (a
// person's hand takes a moment between reaching a button and clicking it), clicks,
// and waits until the window's pixels have not changed for a while: the time
// from the click to their last change.
double ClickAndWaitForPixels(QPushButton* button, QWidget* window, int hoverMilliseconds) {
    if (hoverMilliseconds > 0) {
        QTest::mouseMove(button);
        QTest::qWait(hoverMilliseconds);
    }
    const Clock::time_point click = Clock::now();
    QTest::mouseClick(button, Qt::LeftButton);
    if (!WaitUntil([window] { return window->isVisible() && window->windowHandle()->isExposed(); },
                   5000)) {
        std::fprintf(stderr, "The viewer did not open\n");
        std::exit(1);
    }
    const PixelWatcher watcher(static_cast<std::uint32_t>(window->winId()), window->width(),
                               window->height());
    WaitUntil(
        [&watcher] {
            const auto last = watcher.LastChange();
            return last && MillisecondsBetween(*last, Clock::now()) > 600;
        },
        10000);
    return MillisecondsBetween(click, *watcher.LastChange());
}

// One round in a new process: prints "start topic first again again ...".
int Round(Clock::time_point exec, int hoverMilliseconds) {
    int argc = 1;
    char program[] = "gui_latency";
    char* argv[] = {program, nullptr};
    nevalorum::PrepareApplication();
    QApplication application(argc, argv);
    nevalorum::InstallRussianTranslations(application);
    // A steady caret: its blinking would count as the window still changing.
    QApplication::setCursorFlashTime(0);

    namespace fs = std::filesystem;
    const fs::path folder =
        fs::temp_directory_path() / ("nevalorum_gui_latency_" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::copy(std::string(NEVALORUM_SOURCE_DIR) + "/data", folder, fs::copy_options::recursive);
    // The program works in its working folder.
    fs::current_path(folder);
    const nevalorum::Folders folders = nevalorum::Folders::ForWorkingFolder(folder.string());

    // The windows as the program creates them.
    nevalorum::TZNevalorumPelinorForm mainWindow(folders, [] { return QDate::currentDate(); });
    const nevalorum::SecondaryWindows windows = nevalorum::CreateSecondaryWindows(mainWindow);
    mainWindow.show();

    const PixelWatcher mainPixels(static_cast<std::uint32_t>(mainWindow.winId()),
                                  mainWindow.width(), mainWindow.height());
    WaitUntil(
        [&mainPixels] {
            const auto last = mainPixels.LastChange();
            return last && MillisecondsBetween(*last, Clock::now()) > 400;
        },
        10000);
    const double start = MillisecondsBetween(exec, *mainPixels.LastChange());

    // A person takes a few seconds to type a name; the program may use them.
    QTest::qWait(1500);
    QTest::mouseMove(mainWindow.findChild<QWidget*>("Edit1"));
    mainWindow.findChild<QWidget*>("Edit1")->setFocus();
    QTest::keyClicks(QApplication::focusWidget(), "Ivan");
    auto monthButton = [&mainWindow](int k) {
        return mainWindow.findChild<QPushButton*>("Button" + QString::number(k));
    };
    const Clock::time_point topicClick = Clock::now();
    QTest::mouseClick(mainWindow.findChild<QPushButton*>("Button16"), Qt::LeftButton);
    WaitUntil([&] { return monthButton(6)->isEnabled(); }, 20000);
    const double topic = MillisecondsBetween(topicClick, Clock::now());
    QTest::qWait(300);

    std::printf("%.1f %.1f", start, topic);
    for (int k = 1; k <= 6; ++k) {
        std::printf(" %.1f",
                    ClickAndWaitForPixels(monthButton(k), windows.Month, hoverMilliseconds));
        std::fflush(stdout);
        windows.Month->accept();
        QTest::qWait(300);
    }
    std::printf("\n");
    fs::remove_all(folder);
    return 0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : (n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--round") == 0) {
        return Round(Clock::time_point(Clock::duration(std::stoll(argv[2]))), std::atoi(argv[3]));
    }
    int rounds = 7;
    int hover = 300;
    for (int i = 1; i < argc; i += 2) {
        if (i + 1 < argc && std::strcmp(argv[i], "--rounds") == 0) {
            rounds = std::max(1, std::atoi(argv[i + 1]));
        } else if (i + 1 < argc && std::strcmp(argv[i], "--hover") == 0) {
            hover = std::max(0, std::atoi(argv[i + 1]));
        } else {
            std::fprintf(stderr, "Usage: %s [--rounds N] [--hover MILLISECONDS]\n", argv[0]);
            return 2;
        }
    }
    std::vector<double> start, topic, first, again;
    std::printf(
        "round: start topic first again... [ms], the pointer on a month button %d ms "
        "before its click\n",
        hover);
    for (int round = 0; round < rounds; ++round) {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0) {
            return 1;
        }
        const std::string exec = std::to_string(Clock::now().time_since_epoch().count());
        const pid_t child = fork();
        if (child == 0) {
            dup2(pipeEnds[1], STDOUT_FILENO);
            close(pipeEnds[0]);
            execl("/proc/self/exe", argv[0], "--round", exec.c_str(), std::to_string(hover).c_str(),
                  nullptr);
            _exit(127);
        }
        close(pipeEnds[1]);
        std::string line;
        char buffer[256];
        for (ssize_t count; (count = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
            line.append(buffer, static_cast<std::size_t>(count));
        }
        close(pipeEnds[0]);
        int status = 0;
        waitpid(child, &status, 0);
        std::vector<double> values;
        for (const char* p = line.c_str(); *p != '\0';) {
            char* end = nullptr;
            const double value = std::strtod(p, &end);
            if (end == p) {
                break;
            }
            values.push_back(value);
            p = end;
        }
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || values.size() != 8) {
            std::fprintf(stderr, "Round %d failed: %s\n", round + 1, line.c_str());
            return 1;
        }
        std::printf("%d: %s", round + 1, line.c_str());
        start.push_back(values[0]);
        topic.push_back(values[1]);
        first.push_back(values[2]);
        again.insert(again.end(), values.begin() + 3, values.end());
    }
    std::printf(
        "median: start %.1f ms, topic %.1f ms, first month page %.1f ms, "
        "later month pages %.1f ms\n",
        Median(start), Median(topic), Median(first), Median(again));
    return 0;
}
