// SPDX-License-Identifier: GPL-2.0-or-later
#include "player/PlaySettings.h"

#include "core/Errors.h"
#include "core/NumberText.h"
#include "core/ProfileFile.h"

#include <optional>
#include <string_view>

namespace {

constexpr const char* kSection = "Play";

} // namespace

const char* const BuiltInFilter =
    "再生可能なファイル|*.avi;*.wmv;*.mpg;*.m1v;*.m2v;*.m2p;*.mpv;*.vob;*.hv2|"
    "動画(avi,wmv,asf,mpg,m1v,m2v,m2p,mpv,vob,hv2)|*.avi;*.wmv;*.mpg;*.m1v;*.m2v;*.m2p;*.mpv;*.vob;*.hv2|"
    "すべてのファイル (*.*)|*.*";

PlaySettings DefaultPlaySettings() {
    PlaySettings values;
    values.Filter = BuiltInFilter;
    return values;
}

PlaySettings ReadPlaySettings(const ProfileFile& settings) {
    const PlaySettings defaults = DefaultPlaySettings();
    PlaySettings values;
    values.Dir = settings.ReadString(kSection, "Dir", defaults.Dir);
    values.File = settings.ReadString(kSection, "File", defaults.File);
    values.EnableVideo = settings.ReadBool(kSection, "ENB_VIDEO", defaults.EnableVideo);
    values.EnableAudio = settings.ReadBool(kSection, "ENB_AUDIO", defaults.EnableAudio);
    values.Filter = settings.ReadString(kSection, "Filter", defaults.Filter);
    values.Resume = settings.ReadBool(kSection, "Resume", defaults.Resume);
    values.Playing = settings.ReadBool(kSection, "Playing", defaults.Playing);
    values.Position = settings.ReadString(kSection, "Position", defaults.Position);
    return values;
}

void WritePlaySettings(const ProfileFile& settings, const PlaySettings& values) {
    settings.WriteString(kSection, "Dir", values.Dir);
    settings.WriteString(kSection, "File", values.File);
    settings.WriteBool(kSection, "ENB_VIDEO", values.EnableVideo);
    settings.WriteBool(kSection, "ENB_AUDIO", values.EnableAudio);
    settings.WriteBool(kSection, "Resume", values.Resume);
    settings.WriteBool(kSection, "Playing", values.Playing);
    settings.WriteString(kSection, "Position", values.Position);
    settings.WriteString(kSection, "Filter", values.Filter);
}

std::int64_t ParsePosition(const std::string& text) {
    std::string_view rest = text;
    const bool negative = TakeBlanksAndSign(rest);
    bool hex = false;
    if (!rest.empty() && rest.front() == '$') {
        hex = true;
        rest.remove_prefix(1);
    } else if (rest.size() > 1 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
        hex = true;
        rest.remove_prefix(2);
    }
    // Hexadecimal covers the whole 64-bit pattern; decimal must fit the signed range.
    const std::optional<std::uint64_t> magnitude =
        DigitsValue(rest, hex, hex ? UINT64_MAX : (negative ? 0x8000000000000000u : 0x7FFFFFFFFFFFFFFFu));
    if (!magnitude) {
        throw EConvertError("'" + text + "' は整数ではありません");
    }
    return static_cast<std::int64_t>(negative ? 0u - *magnitude : *magnitude);
}
