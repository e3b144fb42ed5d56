#include "app/command_line.h"

#include <algorithm>
#include <cstdio>
#include <span>
#include <string_view>

#ifndef VELMO_VERSION
#error "VELMO_VERSION comes from the project version"
#endif

namespace velmo {

namespace {

constexpr std::string_view kProgram = "velmo-player";

constexpr std::string_view kHelp =
    R"(Usage: velmo-player [--help | --version]

A video player window driven by the application that starts it: commands come
in on standard input and events go out on standard output, one JSON object per
line (UTF-8). Start it with pipes on both, write a "load" command, then read
events; after "closed" the process exits with status 0. Standard output carries
nothing but events.

Commands (the key "command"; other keys are its fields):
  load              title, subtitle, isLive, settings, sources, subtitles, url,
                    startTime: shows and plays the media
  play, resume      unpause
  pause             pause
  toggle            pause or unpause; after the end, play again from 0
  seek              position (seconds)
  setVolume         volume (0 to 1)
  setRate           rate (0.25 to 3)
  setSubtitle       index (negative: subtitles off)
  setSubtitleStyle  subtitleEnabled, subtitleFont, subtitleSize, subtitleColor,
                    subtitleBackground, subtitleBackgroundOpacity
  close             close the window and exit

Events (the key "type"):
  settings  volume, rate and the six subtitle keys, after each change
  progress  position, duration, paused, volume, rate; twice a second
  ended     position, duration; at the end of the media
  error     message; when playback cannot start or fails
  closed    position, duration; the last line before the exit

Example:
  printf '%s\n' '{"command":"load","url":"file:///path/to/movie.mp4"}' | velmo-player

Options:
  -h, --help  print this summary and exit
  --version   print the version and exit
Qt's own options (-platform, -display, ...) are handed to Qt.

The whole protocol: velmo-player(1), PROTOCOL.md and its JSON Schema.
)";

// Qt's own options, which it takes with one dash or two. Those of `kQtValueOptions` take the
// next argument as their value (or one after "=").
constexpr std::string_view kQtValueOptions[] = {"platform",
                                                "platformpluginpath",
                                                "platformtheme",
                                                "plugin",
                                                "qwindowgeometry",
                                                "geometry",
                                                "qwindowicon",
                                                "icon",
                                                "qwindowtitle",
                                                "title",
                                                "session",
                                                "style",
                                                "stylesheet",
                                                "display",
                                                "name",
                                                "visual"};
constexpr std::string_view kQtFlags[] = {"reverse", "testability", "widgetcount",
                                         "nograb",  "dograb",      "qmljsdebugger"};

bool isOneOf(std::span<const std::string_view> names, std::string_view name) {
    return std::ranges::find(names, name) != names.end();
}

CommandLineOutcome refuse(std::string_view what, std::string_view argument) {
    return {true,
            2,
            {},
            std::string(kProgram) + ": " + std::string(what) + " '" + std::string(argument) +
                "' (see velmo-player --help)\n"};
}

} // namespace

CommandLineOutcome readCommandLine(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--version")
            return {true, 0, std::string(kProgram) + " " VELMO_VERSION "\n", {}};
        if (argument == "--help" || argument == "-h")
            return {true, 0, std::string(kHelp), {}};
        if (argument.size() < 2 || argument[0] != '-')
            return refuse("unexpected argument", argument);

        std::string_view name = argument.substr(argument.starts_with("--") ? 2 : 1);
        const std::size_t equals = name.find('=');
        const bool valueAttached = equals != std::string_view::npos;
        name = name.substr(0, equals);
        if (isOneOf(kQtFlags, name))
            continue;
        if (!isOneOf(kQtValueOptions, name))
            return refuse("unknown option", argument);
        if (!valueAttached && ++i >= argc)
            return refuse("missing value for", argument);
    }
    return {};
}

std::optional<int> handleCommandLine(int argc, const char* const* argv) {
    const CommandLineOutcome outcome = readCommandLine(argc, argv);
    if (!outcome.exit)
        return std::nullopt;
    std::fputs(outcome.out.c_str(), stdout);
    std::fputs(outcome.err.c_str(), stderr);
    std::fflush(stdout);
    return outcome.status;
}

} // namespace velmo
