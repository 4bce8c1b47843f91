// The command-line tool timed as a person meets it: whole processes from start
// to exit, and beside them, in the same run, the codec floor of the forecast's
// own output (what no forecast can avoid: its charts encoded by libjpeg at
// quality 90, its files deflated at level 9, its pages written).
//
//   process_bench [--tool PATH] [--runs N] [--batch N]
//
// Each measurement is repeated N times (default 21), interleaved, and its median
// printed: wall time, CPU time (user and system) and peak memory of the
// process; a forecast also runs without its archive, to tell the two apart.
// Then a batch of forecasts (default 200) runs in two working folders side by
// side, one process after another in each, for forecasts per second.

// libjpeg's header needs size_t and FILE declared first.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The CPU time this thread has used [ms].
double CpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

struct ProcessCost {
    double WallMs = 0;
    double CpuMs = 0;
    double PeakMiB = 0;
};

// Starts the program with the arguments, its output thrown away, and waits for
// it; throws when it fails.
ProcessCost RunProcess(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const Clock::time_point start = Clock::now();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw std::runtime_error("Cannot start " + arguments[0] + ": " + std::strerror(spawned));
    }
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            throw std::runtime_error(std::string("wait4: ") + std::strerror(errno));
        }
    }
    ProcessCost cost;
    cost.WallMs = MillisecondsSince(start);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error(arguments[0] + " " + arguments[1] + " failed");
    }
    const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    cost.CpuMs = ms(usage.ru_utime) + ms(usage.ru_stime);
    cost.PeakMiB = usage.ru_maxrss / 1024.0;  // ru_maxrss is in KiB
    return cost;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct RgbPicture {
    int Width = 0, Height = 0;
    std::vector<unsigned char> Rows;  // red, green, blue, top row first
};

RgbPicture DecodeJpeg(const std::string& bytes) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    RgbPicture picture{.Width = static_cast<int>(info.output_width),
                       .Height = static_cast<int>(info.output_height),
                       .Rows = {}};
    picture.Rows.resize(static_cast<std::size_t>(picture.Width) * picture.Height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = &picture.Rows[info.output_scanline * info.output_width * 3];
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return picture;
}

// Baseline colour JPEG of quality 90, as the program writes its charts.
std::size_t EncodeJpeg(const RgbPicture& picture) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* output = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &output, &size);
    info.image_width = static_cast<JDIMENSION>(picture.Width);
    info.image_height = static_cast<JDIMENSION>(picture.Height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPROW> rows;
    for (int y = 0; y < picture.Height; ++y) {
        rows.push_back(
            const_cast<JSAMPROW>(&picture.Rows[static_cast<std::size_t>(y) * picture.Width * 3]));
    }
    jpeg_write_scanlines(&info, rows.data(), static_cast<JDIMENSION>(rows.size()));
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::free(output);
    return size;
}

// Raw deflate at level 9, as the archive stores its entries.
std::size_t Deflate(const std::string& bytes) {
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::vector<unsigned char> output(deflateBound(&stream, bytes.size()));
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = output.data();
    stream.avail_out = static_cast<uInt>(output.size());
    deflate(&stream, Z_FINISH);
    const std::size_t size = stream.total_out;
    deflateEnd(&stream);
    return size;
}

void WriteNewFile(const fs::path& path, const std::string& bytes) {
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (file < 0 || write(file, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
        close(file) != 0) {
        throw std::runtime_error("Cannot write " + path.string());
    }
}

// What a forecast's output costs at the least: read once from the output
// folder it wrote, then measured again for every run.
class CodecFloor {
  public:
    CodecFloor(const fs::path& outputFolder, const fs::path& scratch) : scratch_(scratch) {
        for (const fs::directory_entry& entry : fs::directory_iterator(outputFolder)) {
            const std::string name = entry.path().filename().string();
            if (name == "Horoscop.zip") {
                continue;
            }
            const std::string bytes = ReadFile(entry.path());
            archived_.push_back(bytes);
            if (name.ends_with(".jpeg")) {
                charts_.push_back(DecodeJpeg(bytes));
            } else if (name.ends_with(".html")) {
                pages_.push_back(bytes);
            }
        }
        if (charts_.size() != 6 || pages_.size() != 6) {
            throw std::runtime_error("The forecast did not leave six charts and six pages");
        }
    }

    // The floor's wall and CPU time [ms].
    ProcessCost Measure() {
        fs::remove_all(scratch_);
        fs::create_directories(scratch_);
        std::size_t sink = 0;
        const double cpuStart = CpuMilliseconds();
        const Clock::time_point start = Clock::now();
        for (const RgbPicture& chart : charts_) {
            sink += EncodeJpeg(chart);
        }
        for (const std::string& file : archived_) {
            sink += Deflate(file);
        }
        for (std::size_t i = 0; i < pages_.size(); ++i) {
            WriteNewFile(scratch_ / ("page" + std::to_string(i) + ".html"), pages_[i]);
        }
        ProcessCost cost{.WallMs = MillisecondsSince(start),
                         .CpuMs = CpuMilliseconds() - cpuStart,
                         .PeakMiB = 0};
        sink_ += sink;
        return cost;
    }

  private:
    fs::path scratch_;
    std::vector<RgbPicture> charts_;
    std::vector<std::string> archived_;
    std::vector<std::string> pages_;
    std::size_t sink_ = 0;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Series {
    const char* Name;
    std::vector<ProcessCost> Runs;

    void Print() const {
        std::vector<double> wall, cpu, peak;
        for (const ProcessCost& run : Runs) {
            wall.push_back(run.WallMs);
            cpu.push_back(run.CpuMs);
            peak.push_back(run.PeakMiB);
        }
        std::printf("%-26s wall %7.2f ms   cpu %7.2f ms   peak %6.1f MiB\n", Name, Median(wall),
                    Median(cpu), Median(peak));
    }
    double MedianWall() const {
        std::vector<double> wall;
        for (const ProcessCost& run : Runs) {
            wall.push_back(run.WallMs);
        }
        return Median(wall);
    }
    double MedianCpu() const {
        std::vector<double> cpu;
        for (const ProcessCost& run : Runs) {
            cpu.push_back(run.CpuMs);
        }
        return Median(cpu);
    }
};

// The six months' files and the archive of a forecast, removed so that the
// next forecast writes them as the first one in a working folder does.
void RemoveForecastOutput(const fs::path& output) {
    for (const fs::directory_entry& entry : fs::directory_iterator(output)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("Hor") || name.starts_with("Horoscop")) {
            fs::remove(entry.path());
        }
    }
}

std::vector<std::string> ForecastCommand(const std::string& tool, const fs::path& folder) {
    return {tool,      "forecast", "--name",  "Иван",      "--birth",   "5.3.1990",
            "--topic", "love",     "--today", "1.12.2026", "--workdir", folder.string()};
}

}  // namespace

int main(int argc, char** argv) {
    std::string tool = NEVALORUM_FORECAST_TOOL;
    int runs = 21;
    int batch = 200;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--tool") {
            tool = fs::absolute(argv[i + 1]).string();
        } else if (option == "--runs") {
            runs = std::max(1, std::atoi(argv[i + 1]));
        } else if (option == "--batch") {
            batch = std::max(2, std::atoi(argv[i + 1]));
        } else {
            std::fprintf(stderr, "Usage: %s [--tool PATH] [--runs N] [--batch N]\n", argv[0]);
            return 2;
        }
    }
    try {
        char pattern[] = "/tmp/nevalorum_process_bench_XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            throw std::runtime_error("Cannot create a temporary folder");
        }
        const fs::path root = pattern;
        const fs::path work = root / "work";
        RunProcess({tool, "init", work.string()});
        const std::vector<std::string> forecast = ForecastCommand(tool, work);
        RunProcess(forecast);
        CodecFloor floor(work / "Output", root / "floor");

        std::printf("%s, median of %d runs\n", tool.c_str(), runs);
        Series fresh{"forecast, fresh archive", {}};
        Series update{"forecast, archive update", {}};
        Series pagesOnly{"forecast, no archive", {}};
        Series positions{"positions", {}};
        Series minimal{"minimal C program", {}};
        Series floors{"codec floor", {}};
        for (int run = 0; run < runs; ++run) {
            floors.Runs.push_back(floor.Measure());
            RemoveForecastOutput(work / "Output");
            fresh.Runs.push_back(RunProcess(forecast));
            update.Runs.push_back(RunProcess(forecast));
            std::vector<std::string> withoutArchive = forecast;
            withoutArchive.push_back("--no-archive");
            pagesOnly.Runs.push_back(RunProcess(withoutArchive));
        }
        // The two starts side by side, apart from the forecasts, whose exits
        // and written files would weigh on whichever process came next; each
        // goes first in every other pair.
        const std::vector<std::string> positionsCommand = {tool,       "positions", "--date",
                                                           "1.1.2000", "--workdir", work.string()};
        for (int run = 0; run < runs; ++run) {
            if (run % 2 == 0) {
                positions.Runs.push_back(RunProcess(positionsCommand));
                minimal.Runs.push_back(RunProcess({NEVALORUM_MINIMAL_START}));
            } else {
                minimal.Runs.push_back(RunProcess({NEVALORUM_MINIMAL_START}));
                positions.Runs.push_back(RunProcess(positionsCommand));
            }
        }
        fresh.Print();
        update.Print();
        pagesOnly.Print();
        positions.Print();
        minimal.Print();
        std::printf("positions / minimal C program that prints one line: %.2f   (CPU time: %.2f)\n",
                    positions.MedianWall() / minimal.MedianWall(),
                    positions.MedianCpu() / minimal.MedianCpu());
        std::printf(
            "%-26s wall %7.2f ms   cpu %7.2f ms   (JPEG q90 of its 6 charts, deflate -9 of "
            "its files, its 6 pages written)\n",
            floors.Name, floors.MedianWall(), floors.MedianCpu());
        // Wall time is what a person waits for; on a busy machine the CPU times
        // tell the program's own cost from the waits for a processor and the disk.
        std::printf(
            "forecast / floor: %.2f fresh archive, %.2f archive update"
            "   (CPU time: %.2f, %.2f)\n",
            fresh.MedianWall() / floors.MedianWall(), update.MedianWall() / floors.MedianWall(),
            fresh.MedianCpu() / floors.MedianCpu(), update.MedianCpu() / floors.MedianCpu());

        // Two working folders side by side, each running its half of the batch.
        const fs::path second = root / "second";
        RunProcess({tool, "init", second.string()});
        const Clock::time_point start = Clock::now();
        std::vector<std::thread> lanes;
        std::vector<std::exception_ptr> failures(2);
        for (std::size_t lane = 0; lane < 2; ++lane) {
            lanes.emplace_back([&, lane] {
                try {
                    const std::vector<std::string> command =
                        ForecastCommand(tool, lane == 0 ? work : second);
                    for (int i = 0; i < batch / 2; ++i) {
                        RunProcess(command);
                    }
                } catch (...) {
                    failures[lane] = std::current_exception();
                }
            });
        }
        for (std::thread& lane : lanes) {
            lane.join();
        }
        for (const std::exception_ptr& failure : failures) {
            if (failure) {
                std::rethrow_exception(failure);
            }
        }
        const double seconds = MillisecondsSince(start) / 1000;
        std::printf("batch of %d forecasts, two processes side by side: %.1f s, %.1f forecasts/s\n",
                    batch / 2 * 2, seconds, batch / 2 * 2 / seconds);
        fs::remove_all(root);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
