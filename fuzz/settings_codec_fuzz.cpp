// Everything the registry can hand back, decoded as loading does: the flag word, the four
// preset words (over several loads), the texts, plus the key path and the help path. Texts
// and paths go into heap buffers of exactly their field's size, so a write past one is caught.
#include "app/settings_codec.h"
#include "protocol/line_port.h"
#include "protocol/register_mirror.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace trx;

constexpr int MAX_LOADS = 3; // a port switch loads again over what is there
constexpr uint32_t FLAG_BITS = FLAG_AUTO_TUNE | FLAG_HEX_DISPLAY | FLAG_STATUS_BAR | FLAG_TOOLTIPS;
constexpr size_t KEY_PATH_ROOM = 260; // MAX_PATH, as the registry code passes it
constexpr int PORT_NEAR = 300;        // most port numbers tried lie around 0..255
constexpr size_t MODULE_PATH_LENGTH = 300;
constexpr char KEY_START[] = "Software\\";
constexpr char GUARD = 0x5A;

// What a preset field may hold: type, channel A, channel B, shift.
constexpr int FIELD_LIMIT[4] = {MODE_TYPE_COUNT, CHANNEL_A_MAX + 1, CHANNEL_B_MAX + 1, SHIFT_COUNT};

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

std::array<int32_t, 4> fieldsOf(const ModePreset& p) {
    return {p.modeType, p.channelA, p.channelB, p.shiftIndex};
}

void loadPreset(uint32_t packed, ModePreset& preset) {
    const std::array<int32_t, 4> before = fieldsOf(preset);
    unpackPreset(packed, preset);
    const std::array<int32_t, 4> after = fieldsOf(preset);
    for (int i = 0; i < 4; ++i) {
        check(after[i] >= 0 && after[i] < FIELD_LIMIT[i], "preset field outside its range");
        const int32_t low = static_cast<int32_t>((packed >> (8 * i)) & 0x0F);
        check(after[i] == (low < FIELD_LIMIT[i] ? low : before[i]),
              "preset field neither the stored nibble nor kept");
    }
    ModePreset again = defaultPreset(MODE_TYPE_J3);
    unpackPreset(packPreset(preset), again);
    check(fieldsOf(again) == after, "preset changed by saving and loading it");
}

// A stored text, no terminator promised, into a field of `fieldSize`. Loading never hands
// over more than the field holds; longer texts are tried too, as the copy promises to cut.
void loadText(FuzzedDataProvider& in, size_t fieldSize) {
    const std::vector<char> bytes =
        in.ConsumeBytes<char>(in.ConsumeIntegralInRange<size_t>(0, 2 * fieldSize));
    std::unique_ptr<char[]> stored(new char[bytes.size()]);
    if (!bytes.empty()) {
        std::memcpy(stored.get(), bytes.data(), bytes.size());
    }
    std::unique_ptr<char[]> field(new char[fieldSize]);
    std::memset(field.get(), GUARD, fieldSize);

    copyTextField(stored.get(), bytes.size(), field.get(), fieldSize);
    const size_t length = strnlen(field.get(), fieldSize);
    check(length < fieldSize, "text does not end inside its field");
    const size_t expected = std::min(strnlen(stored.get(), bytes.size()), fieldSize - 1);
    check(length == expected && std::memcmp(field.get(), stored.get(), length) == 0,
          "text is not the stored one up to its end or the field's");
}

void checkKeyPath(FuzzedDataProvider& in) {
    const int port = in.ConsumeBool() ? in.ConsumeIntegral<int>()
                                      : in.ConsumeIntegralInRange<int>(-PORT_NEAR, PORT_NEAR);
    const size_t size = in.ConsumeIntegralInRange<size_t>(0, KEY_PATH_ROOM);
    std::unique_ptr<char[]> path(new char[size]);
    std::memset(path.get(), GUARD, size);
    const bool made = settingsKeyPath(port, path.get(), size);
    if (port < 0 || port > MAX_PORT) {
        check(!made, "key path made for a port outside 0..255");
        for (size_t i = 0; i < size; ++i) {
            check(path[i] == GUARD, "refused key path still written");
        }
        return;
    }
    char room[KEY_PATH_ROOM];
    check(settingsKeyPath(port, room, sizeof room), "key path does not fit MAX_PATH");
    const std::string full = room;
    const std::string last = port == 0 ? "\\allgemein" : "\\Com" + std::to_string(port);
    check(full.starts_with(KEY_START) && full.ends_with(last), "key path not the port's");
    check(made == (full.size() < size), "key path refused though it fits, or cut");
    if (made) {
        check(full == path.get(), "key path differs with the buffer's size");
    }
}

void checkHelpPath(FuzzedDataProvider& in) {
    // The program's path as a C string: up to its first NUL.
    const std::string module = in.ConsumeRandomLengthString(MODULE_PATH_LENGTH).c_str();
    const size_t size = in.ConsumeIntegralInRange<size_t>(1, HELP_PATH_SIZE);
    std::unique_ptr<char[]> help(new char[size]);
    const char* file = in.ConsumeBool() ? HELP_FILE_NAME : HTML_HELP_FILE_NAME;
    buildHelpPath(module.c_str(), file, help.get(), size);
    const size_t length = strnlen(help.get(), size);
    check(length < size, "help path does not end inside its buffer");
    const std::string name = file;
    const std::string result(help.get(), length);
    const size_t slash = module.rfind('\\');
    const std::string beside =
        slash == std::string::npos ? name : module.substr(0, slash + 1) + name;
    check(result == beside || result == name.substr(0, size - 1),
          "help path neither beside the program nor the bare name");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    Settings settings;
    applyDefaultSettings(settings);
    const int loads = in.ConsumeIntegralInRange<int>(1, MAX_LOADS);
    for (int load = 0; load < loads; ++load) {
        if (in.ConsumeBool()) {
            const uint32_t flags = in.ConsumeIntegral<uint32_t>();
            unpackFlags(flags, settings);
            check(packFlags(settings) == (flags & FLAG_BITS), "flag word does not round-trip");
        }
        for (ModePreset& preset : settings.presets) {
            if (in.ConsumeBool()) {
                loadPreset(in.ConsumeIntegral<uint32_t>(), preset);
            }
        }
        loadText(in, sizeof settings.title);
        for (int i = 0; i < ANTENNA_COUNT; ++i) {
            loadText(in, sizeof settings.antennaNames[i]);
        }
    }
    checkKeyPath(in);
    checkHelpPath(in);
    return 0;
}
