// skelvar-replay: runs the game headless from a script of timed input events, or from a run code,
// and prints the state after every tick; or writes a script's run code.
#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>
#ifndef __EMSCRIPTEN__
#include <fcntl.h>
#include <unistd.h>
#endif

#include "game/fixed_text_measurer.h"
#include "game/game_main.h"
#include "game/random.h"
#include "replay_script.h"
#include "run_sound.h"
#ifndef __EMSCRIPTEN__
#include "records/record_store.h"
#endif
#include "run/ghost.h"
#include "run/run_code.h"
#include "run/verdict.h"
#include "tick/run_tick.h"
#include "tick/running_game.h"
#include "tick/state_json.h"
#include "tick/virtual_clock.h"

#ifdef SKELVAR_HAVE_RENDER
#include "frame_writer.h"
#include "ui/render/offscreen_renderer.h"
#endif

namespace {

using namespace skelvar;
using namespace skelvar::replay;
using namespace skelvar::tick;
using namespace skelvar::records;

constexpr int ExitUsage = 2;

struct Options {
  int64_t ticks = 100;
  uint32_t seed = 1;
  bool quiet = false;
  int32_t clientWidth = 944;
  int32_t clientHeight = 542;
  std::string script = "-";
  std::string renderDir;
  std::string audio;
  int64_t renderEvery = 1;
  int64_t renderFps = 0;
  std::string recordsDir;
  // --run's code, or a file holding one; --save-run's file; --ghost's code or file.
  std::string run;
  std::string saveRun;
  std::string ghost;
  // --verify's code, file or "-" for one code a line on standard input.
  std::string verify;
  bool ticksGiven = false, seedGiven = false, clientGiven = false, scriptGiven = false;
};

[[noreturn]] void Fail(const std::string& message) {
  std::cerr << "skelvar-replay: " << message << '\n';
  std::exit(ExitUsage);
}

// Marks a standard descriptor the caller left closed as unusable, so that no file the tool opens
// takes its number and output meant for it fails as it would on the closed descriptor.
void HoldClosedStandardDescriptors() {
#ifndef __EMSCRIPTEN__
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
      open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
    }
  }
#endif
}

// The end of the run for a failed write to standard output; a closed pipe ends it quietly.
[[noreturn]] void OutputFailed(int error) {
  if (error != EPIPE) {
    std::fprintf(stderr, "skelvar-replay: cannot write the output: %s\n", std::strerror(error));
  }
  std::exit(1);
}

void Write(std::string_view bytes) {
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() ||
      std::ferror(stdout) != 0) {
    OutputFailed(errno != 0 ? errno : EIO);
  }
}

// A long message (a frame's path, say) cut in the middle so that it stays one short line.
std::string Shortened(std::string_view message) {
  const std::string all = Printable(message, SIZE_MAX / 2);
  if (all.size() <= 160) return all;
  return all.substr(0, 60) + "..." + all.substr(all.size() - 97);
}

// Errors point to --help rather than quoting the usage, which no longer fits in one short line.
constexpr const char* SeeHelp = "see skelvar-replay --help";

const char* Usage() {
  return "usage: skelvar-replay [--ticks N] [--seed S] [--quiet] [--client WxH] [--records DIR] "
#ifdef SKELVAR_HAVE_RENDER
         "[--render DIR [--render-every K | --render-fps F]] "
#endif
         "[SCRIPT]\n"
         "       skelvar-replay --run CODE|FILE [--ticks N] [--quiet] [other options as above]\n"
         "       either may add --ghost CODE|FILE: that run raced from each run's start, drawn\n"
         "       translucent into the frames; the state printed is the same\n"
         "       skelvar-replay --save-run FILE [--ticks N] [--seed S] [--client WxH] [SCRIPT]\n"
         "       skelvar-replay --verify CODE|FILE|-\n"
         "--run plays a run code, given as it is or as a file holding the code or a link with\n"
         "#run=CODE; the code holds where the run started, its events and its ticks, which\n"
         "--ticks may shorten, and the state is printed from the run's first tick. --save-run\n"
         "writes to FILE (- for standard output) the code of the last run that starts in SCRIPT\n"
         "played for --ticks ticks. --verify plays a code without printing its state and prints\n"
         "its verdict as one line of JSON; with - it reads one code a line from standard input.";
}

void CheckAudioTicks(const Options& o) {
  if (!o.audio.empty() && o.ticks > RunSound::MaxTicks) {
    Fail("--audio records at most " + std::to_string(RunSound::MaxTicks) +
         " ticks, the most one WAV file holds");
  }
}

Options ParseOptions(int argc, char** argv) {
  Options o;
  bool haveScript = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const auto value = [&](std::string_view name) -> std::string_view {
      if (i + 1 >= argc) Fail(std::string(name) + " needs a value; " + SeeHelp);
      return argv[++i];
    };
    int64_t v = 0;
    if (arg == "--ticks") {
      const auto s = value(arg);
      if (!ParseInteger(s, 0, 2'000'000'000, v)) {
        Fail("--ticks takes a whole number from 0 to 2000000000, not '" + Printable(s) + "'");
      }
      o.ticks = v;
      o.ticksGiven = true;
    } else if (arg == "--seed") {
      const auto s = value(arg);
      if (!ParseInteger(s, 0, UINT32_MAX, v)) {
        Fail("--seed takes a whole number from 0 to 4294967295, not '" + Printable(s) + "'");
      }
      o.seed = static_cast<uint32_t>(v);
      o.seedGiven = true;
    } else if (arg == "--quiet") {
      o.quiet = true;
    } else if (arg == "--client") {
      const auto s = value(arg);
      const size_t x = s.find('x');
      int64_t w = 0, h = 0;
      if (x == std::string_view::npos || !ParseInteger(s.substr(0, x), 1, 32767, w) ||
          !ParseInteger(s.substr(x + 1), 1, 32767, h)) {
        Fail("--client takes WIDTHxHEIGHT, each from 1 to 32767, not '" + Printable(s) + "'");
      }
      o.clientWidth = static_cast<int32_t>(w);
      o.clientHeight = static_cast<int32_t>(h);
      o.clientGiven = true;
    } else if (arg == "--run") {
      o.run = value(arg);
      if (o.run.empty()) Fail("--run needs a run code or a file holding one");
    } else if (arg == "--ghost") {
      o.ghost = value(arg);
      if (o.ghost.empty()) Fail("--ghost needs a run code or a file holding one");
    } else if (arg == "--verify") {
      o.verify = value(arg);
      if (o.verify.empty()) Fail("--verify needs a run code, a file holding one, or -");
    } else if (arg == "--save-run") {
      o.saveRun = value(arg);
      if (o.saveRun.empty()) Fail("--save-run needs a file name");
    } else if (arg == "--audio") {
      o.audio = value(arg);
      if (o.audio.empty()) Fail("--audio needs a file name");
#ifdef SKELVAR_HAVE_RENDER
    } else if (arg == "--render") {
      o.renderDir = value(arg);
      if (o.renderDir.empty()) Fail("--render needs a directory");
    } else if (arg == "--render-every") {
      const auto s = value(arg);
      if (!ParseInteger(s, 1, 2'000'000'000, v)) {
        Fail("--render-every takes a whole number of at least 1, not '" + Printable(s) + "'");
      }
      o.renderEvery = v;
    } else if (arg == "--render-fps") {
      const auto s = value(arg);
      if (!ParseInteger(s, 1, 1000, v)) {
        Fail("--render-fps takes a whole number of frames a second from 1 to 1000, not '" +
             Printable(s) + "'");
      }
      o.renderFps = v;
#endif
    } else if (arg == "--records") {
      o.recordsDir = value(arg);
      if (o.recordsDir.empty()) Fail("--records needs a directory");
#ifdef __EMSCRIPTEN__
      Fail("--records is not supported by the node build, which keeps no records");
#endif
    } else if (arg == "--help" || arg == "-h") {
      Write(Usage());
      Write("\n");
      if (std::fflush(stdout) != 0) OutputFailed(errno != 0 ? errno : EIO);
      std::exit(0);
    } else if (arg.size() > 1 && arg[0] == '-') {
      Fail("unknown option '" + Printable(arg) + "'; " + SeeHelp);
    } else {
      if (haveScript) Fail(std::string("only one script may be given; ") + SeeHelp);
      o.script = arg;
      haveScript = true;
    }
  }
  o.scriptGiven = haveScript;
  if (!o.verify.empty() && (!o.run.empty() || !o.saveRun.empty() || haveScript)) {
    Fail(std::string("--verify goes with no run, script or --save-run; ") + SeeHelp);
  }
  if (!o.run.empty()) {
    if (!o.saveRun.empty()) {
      Fail(std::string("--run and --save-run do not go together; ") + SeeHelp);
    }
    // The code holds all three; another value for one of them would play another run.
    const char* conflict = o.seedGiven     ? "--seed"
                           : o.clientGiven ? "--client"
                           : o.scriptGiven ? "a script"
                                           : nullptr;
    if (conflict != nullptr) {
      Fail(std::string("--run holds the seed, the client size and the events; ") + conflict +
           " does not go with it");
    }
  }
  if (!o.saveRun.empty()) {
    const char* playing = !o.audio.empty()        ? "--audio"
                          : !o.recordsDir.empty() ? "--records"
                          : !o.renderDir.empty()  ? "--render"
                                                  : nullptr;
    if (playing != nullptr) {
      Fail(std::string("--save-run only writes the run code; ") + playing + " does not go with it");
    }
    if (o.ticks > MaxRunTicks) {
      Fail("a run code holds at most " + std::to_string(MaxRunTicks) + " ticks, not " +
           std::to_string(o.ticks));
    }
  }
  CheckAudioTicks(o);
  if (o.renderDir.empty() && o.renderEvery != 1) Fail("--render-every needs --render");
  if (o.renderDir.empty() && o.renderFps != 0) Fail("--render-fps needs --render");
  if (o.renderEvery != 1 && o.renderFps != 0) {
    Fail(std::string("--render-every and --render-fps do not go together; ") + SeeHelp);
  }
  return o;
}

// The script's events in order, delivered while the run goes on. A regular file is checked whole
// first and read again as the ticks pass, so that nothing but a line is held; a pipe cannot be
// read twice, so its events up to the last tick are held compactly instead.
class ScriptFeed final : public EventSource {
 public:
  explicit ScriptFeed(const Options& options) : ticks_(options.ticks) {
    const bool fromStdin = options.script == "-";
    label_ = fromStdin ? std::string("<stdin>") : Printable(options.script, 40);
    name_ = fromStdin ? std::string("standard input") : "script '" + label_ + "'";
    file_ = fromStdin ? stdin : std::fopen(options.script.c_str(), "rb");
    if (file_ == nullptr) Fail("cannot read " + name_ + ": " + std::strerror(errno));
    origin_ = ReadableTwice() ? std::ftell(file_) : -1;

    ScriptReader check(file_);
    ScriptEvent event;
    ScriptReader::Status status;
    while ((status = check.Next(event)) == ScriptReader::Status::Event) {
      if (origin_ >= 0 || event.tick > ticks_) continue;
      if (!store_.Push(event)) {
        Fail(label_ + ": line " + std::to_string(check.lineNumber()) +
             ": a script read from a pipe may hold at most " +
             std::to_string(EventStore::BudgetBytes >> 20) +
             " MiB of events up to the last tick; give it as a file");
      }
    }
    if (status == ScriptReader::Status::Error) Failed(check);
    if (origin_ >= 0) {
      // Read again only as far as it was checked, should the file grow meanwhile.
      if (std::fseek(file_, origin_, SEEK_SET) != 0) {
        Fail("cannot read " + name_ + ": " + std::strerror(errno));
      }
      replay_ = std::make_unique<ScriptReader>(file_, check.consumed());
    } else {
      CloseFile();
    }
  }
  ~ScriptFeed() { CloseFile(); }
  ScriptFeed(const ScriptFeed&) = delete;
  ScriptFeed& operator=(const ScriptFeed&) = delete;

  const TimedEvent* Peek() override {
    if (!held_ && !ended_) {
      held_ = Next(next_);
      ended_ = !held_;
    }
    return held_ ? &next_ : nullptr;
  }
  void Pop() override { held_ = false; }

 private:
  // The next event due by the last tick.
  bool Next(ScriptEvent& event) {
    if (!replay_) return store_.Next(event);
    switch (replay_->Next(event)) {
      case ScriptReader::Status::Event:
        if (event.tick <= ticks_) return true;
        break;
      case ScriptReader::Status::End:
        break;
      case ScriptReader::Status::Error:
        // The file changed after it was checked.
        Failed(*replay_);
    }
    replay_.reset();
    CloseFile();
    return false;
  }

  // Only a regular file is sure to read the same bytes twice; fstat answers that on every
  // platform the tool is built for, and whatever it does not know is held like a pipe.
  bool ReadableTwice() const {
    struct stat st {};
    if (fstat(fileno(file_), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return std::ftell(file_) >= 0;
  }

  [[noreturn]] void Failed(const ScriptReader& reader) {
    if (reader.readErrno() != 0) Fail("cannot read " + name_ + ": " + reader.error());
    Fail(label_ + ": " + reader.error());
  }

  void CloseFile() {
    if (file_ != nullptr && file_ != stdin) std::fclose(file_);
    file_ = nullptr;
  }

  int64_t ticks_;
  std::string label_, name_;
  std::FILE* file_ = nullptr;
  long origin_ = -1;
  EventStore store_;
  std::unique_ptr<ScriptReader> replay_;
  ScriptEvent next_;
  bool held_ = false, ended_ = false;
};

// The text a run option names: a file's code or link when the value names a file, else the value
// itself. False, with the problem in `why`, for a file that cannot be read.
bool ReadRunFile(const std::string& value, std::string& text, std::string& why) {
  text = value;
  struct stat st {};
  if (stat(value.c_str(), &st) != 0) return true;
  std::FILE* file = std::fopen(value.c_str(), "rb");
  if (file == nullptr) {
    why = "cannot read '" + Printable(value, 40) + "': " + std::strerror(errno);
    return false;
  }
  // One byte past the longest code and link, so that a longer file is refused as too long.
  text.assign(MaxRunCodeChars + MaxRunLinkPrefixChars + 1, '\0');
  text.resize(std::fread(text.data(), 1, text.size(), file));
  const bool failed = std::ferror(file) != 0;
  const int error = errno;
  std::fclose(file);
  if (failed) {
    why = "cannot read '" + Printable(value, 40) + "': " + std::strerror(error);
    return false;
  }
  return true;
}

// The run --run names.
tick::CodedRun LoadRun(const std::string& value) {
  std::string text, why;
  if (!ReadRunFile(value, text, why)) Fail(why);
  struct stat st {};
  const std::string label = stat(value.c_str(), &st) == 0 ? Printable(value, 40) + ": " : "";
  std::optional<tick::CodedRun> run = DecodeRun(text, &why);
  if (!run) Fail(label + why);
  return std::move(*run);
}

// --save-run: the last run that starts in the script played for its ticks, as a run code in one
// line of the file (of standard output for "-").
int SaveRun(const Options& options) {
  ScriptFeed feed(options);
  VirtualClock clock(options.seed);
  Mt19937Random random;
  FixedTextMeasurer measurer;
  RunningGame::Options start;
  start.clientWidth = options.clientWidth;
  start.clientHeight = options.clientHeight;
  start.repeatHeldKeys = false;
  RunningGame run(clock, random, measurer, start);
  for (int64_t k = 1; k <= options.ticks && !run.game().Closed(); ++k) RunTick(run, clock, k, feed);
  const Journal* last = run.LastRun();
  if (last == nullptr) Fail("no run starts in the script's " + std::to_string(options.ticks) + " ticks");
  std::string why;
  const std::optional<std::string> code = EncodeRun(*last, -1, &why);
  if (!code) Fail(why);
  const std::string line = *code + "\n";
  if (options.saveRun == "-") {
    Write(line);
    if (std::fflush(stdout) != 0) OutputFailed(errno != 0 ? errno : EIO);
    return 0;
  }
  // Written beside the file and renamed over it, so that the file holds a whole code or none.
  const std::string temporary = options.saveRun + ".new";
  const auto failed = [&](int error) {
    std::remove(temporary.c_str());
    std::cerr << "skelvar-replay: cannot write the run code: "
              << Shortened(options.saveRun + ": " + std::strerror(error)) << '\n';
    return 1;
  };
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) return failed(errno);
  errno = 0;
  int error = 0;
  if (std::fwrite(line.data(), 1, line.size(), file) != line.size() || std::fflush(file) != 0) {
    error = errno != 0 ? errno : EIO;
  }
  errno = 0;
  if (std::fclose(file) != 0 && error == 0) error = errno != 0 ? errno : EIO;
  if (error != 0) return failed(error);
  if (std::rename(temporary.c_str(), options.saveRun.c_str()) != 0) return failed(errno);
  return 0;
}

// --verify: the verdict on one code, or on each line of standard input in turn.
int Verify(const Options& options) {
  std::string why;
  if (options.verify != "-") {
    std::string text = options.verify;
    if (!ReadRunFile(options.verify, text, why)) {
      Write(run::ErrorJson(why) + "\n");
      return ExitUsage;
    }
    const std::optional<run::Verdict> verdict = run::Judge(text, &why);
    Write((verdict ? run::VerdictJson(*verdict) : run::ErrorJson(why)) + "\n");
    if (std::fflush(stdout) != 0) OutputFailed(errno != 0 ? errno : EIO);
    return verdict ? 0 : ExitUsage;
  }
  // A line longer than any code is read to its end but judged as too long.
  std::string line;
  const std::size_t longest = MaxRunCodeChars + MaxRunLinkPrefixChars + 1;
  for (int c = std::getchar(); c != EOF; c = std::getchar()) {
    if (c != '\n') {
      if (line.size() < longest) line.push_back(static_cast<char>(c));
      continue;
    }
    const std::optional<run::Verdict> verdict = run::Judge(line, &why);
    Write((verdict ? run::VerdictJson(*verdict) : run::ErrorJson(why)) + "\n");
    line.clear();
  }
  if (!line.empty()) {
    const std::optional<run::Verdict> verdict = run::Judge(line, &why);
    Write((verdict ? run::VerdictJson(*verdict) : run::ErrorJson(why)) + "\n");
  }
  if (std::ferror(stdin) != 0) {
    std::cerr << "skelvar-replay: cannot read standard input\n";
    return 1;
  }
  if (std::fflush(stdout) != 0) OutputFailed(errno != 0 ? errno : EIO);
  return 0;
}

int Replay(int argc, char** argv) {
  HoldClosedStandardDescriptors();
  Options options = ParseOptions(argc, argv);
  if (!options.verify.empty()) return Verify(options);
  if (!options.saveRun.empty()) return SaveRun(options);
  std::optional<tick::CodedRun> code;
  std::unique_ptr<ScriptFeed> script;
  std::unique_ptr<EventSpan> span;
  EventSource* feed = nullptr;
  if (!options.run.empty()) {
    code = LoadRun(options.run);
    const Journal& j = code->journal;
    if (options.ticksGiven && options.ticks > j.ticks) {
      Fail("--ticks may only shorten the run, whose code holds " + std::to_string(j.ticks) +
           " ticks");
    }
    if (!options.ticksGiven) options.ticks = j.ticks;
    options.seed = j.seed;
    options.clientWidth = j.clientWidth;
    options.clientHeight = j.clientHeight;
    CheckAudioTicks(options);
    span = std::make_unique<EventSpan>(j.events);
    feed = span.get();
  } else {
    script = std::make_unique<ScriptFeed>(options);
    feed = script.get();
  }

  VirtualClock clock(options.seed);
  Mt19937Random random;
  FixedTextMeasurer fixedMeasurer;
  const TextMeasurer* measurer = &fixedMeasurer;
  std::string error;
#ifdef SKELVAR_HAVE_RENDER
  std::unique_ptr<ui::OffscreenRenderer> renderer;
  if (!options.renderDir.empty()) {
    renderer = ui::OffscreenRenderer::Create(&error);
    if (!renderer) {
      std::cerr << "skelvar-replay: cannot render frames: " << error << '\n';
      return 1;
    }
    // Frames are drawn with the real font, so the label is measured with it too.
    measurer = &renderer->Measurer();
  }
#endif
#ifndef __EMSCRIPTEN__
  // The player's record, kept as the window keeps it; it never shows in the state output.
  std::unique_ptr<RecordBook> records;
  if (!options.recordsDir.empty()) {
    records = std::make_unique<RecordBook>(options.recordsDir, [](const std::string& m) {
      std::cerr << "skelvar-replay: " << Shortened(m) << '\n';
    });
  }
#endif
  RunningGame::Options start;
  start.clientWidth = options.clientWidth;
  start.clientHeight = options.clientHeight;
  // A script holds every key press it plays, the repeats of held keys among them.
  start.repeatHeldKeys = false;
  // The state printed needs neither the pictures nor the sounds; only frames and the WAV do.
  start.paints = !options.renderDir.empty() || !options.audio.empty();
  // A code's readings of the clock give the run's clear time as it showed it, and a run's own
  // code starts the run where it started.
  if (code) {
    start.playedClock = PlayedClock(code->journal);
    if (code->journal.start) start.runStart = &*code->journal.start;
  }
#ifndef __EMSCRIPTEN__
  if (records) {
    start.kept = records->loaded();
    // Only --ghost races a run here.
    start.kept.bestRun.clear();
  }
#endif
  RunningGame run(clock, random, *measurer, start);
  TGameMain& game = run.game();
  if (!options.ghost.empty()) {
    tick::CodedRun raced = LoadRun(options.ghost);
    run.Race(std::make_unique<tick::Ghost>(std::move(raced.journal), *measurer));
  }

  std::unique_ptr<RunSound> sound;
  if (!options.audio.empty()) {
    sound = std::make_unique<RunSound>();
    if (!sound->Open(options.audio, options.ticks, &error)) {
      std::cerr << "skelvar-replay: cannot write the sound: " << Shortened(error) << '\n';
      return 1;
    }
  }
  const auto hear = [&](CueSet cues, int64_t tick) {
    if (sound && !sound->AfterTick(cues, tick, &error)) {
      std::cerr << "skelvar-replay: cannot write the sound: " << Shortened(error) << '\n';
      std::exit(1);
    }
  };

  std::string line;
  line.reserve(4096);
  const auto emit = [&](int64_t tick) {
    WriteStateJson(game, tick, line);
    line.push_back('\n');
    Write(line);
  };
#ifdef SKELVAR_HAVE_RENDER
  std::unique_ptr<FrameWriter> frames;
  if (renderer) {
    // The folder is made as `mkdir -p` would, so a new one per run needs no step of its own.
    std::error_code made;
    std::filesystem::create_directories(options.renderDir, made);
    if (made) {
      std::cerr << "skelvar-replay: cannot create the folder "
                << Shortened(options.renderDir + ": " + made.message()) << '\n';
      return 1;
    }
    frames = std::make_unique<FrameWriter>(*renderer, options.renderDir, options.renderEvery,
                                           options.renderFps);
  }
  const auto render = [&](int64_t tick) {
    if (!frames) return;
    switch (frames->AfterTick(game.scene, run.CurrentList(), tick, &error)) {
      case FrameWriter::Status::Written:
        return;
      case FrameWriter::Status::TooLarge:
        Fail("tick " + std::to_string(tick) + ": " + error);
      case FrameWriter::Status::Failed:
        std::cerr << "skelvar-replay: cannot write a frame: " << Shortened(error) << '\n';
        std::exit(1);
    }
  };
  render(0);
#endif

  for (int64_t k = 1; k <= options.ticks; ++k) {
    const Happened happened = RunTick(run, clock, k, *feed).happened;
    hear(happened.cues, k);
#ifndef __EMSCRIPTEN__
    if (records) records->Follow(run.records(), happened.recordChanged, happened.backAtMenu);
#endif
#ifdef SKELVAR_HAVE_RENDER
    render(k);
#endif
    if (!options.quiet || k == options.ticks || game.Closed()) emit(k);
    if (game.Closed()) break;
  }
  if (options.ticks == 0) emit(0);
  if (sound && !sound->Close(&error)) {
    std::cerr << "skelvar-replay: cannot write the sound: " << Shortened(error) << '\n';
    return 1;
  }
  errno = 0;
  if (std::fflush(stdout) != 0) OutputFailed(errno != 0 ? errno : EIO);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Whatever fails to allocate, the tool ends with one line rather than an abort.
  try {
    return Replay(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fputs("skelvar-replay: out of memory\n", stderr);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "skelvar-replay: %s\n", Shortened(e.what()).c_str());
  }
  return 1;
}
