#include "components/controls/version.h"

#include "framework/Forms.h"
#include "framework/TypInfo.h"
#include "platform/version/Version.h"

#include <cstring>
#include <vector>

const TClassInfo &TVersionLabel::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TVersionLabel>("TVersionLabel", &TLabel::StaticClassInfo())
            .Component()
            .Build();
    return info;
}

TVersionLabel::TVersionLabel(TComponent *AOwner) : TLabel(AOwner) {}

TVersionLabel::~TVersionLabel() = default;

String TVersionLabel::ProgramFileName() const
{
    return Application ? Application->ExeName() : String();
}

String TVersionLabel::FileVersionKey(std::uint32_t Translation)
{
    static const char hex[] = "0123456789abcdef";
    String key = "\\StringFileInfo\\";
    // Language (low half) first, then code page, four digits each.
    for (const std::uint32_t half : {Translation & 0xFFFFu, Translation >> 16})
        for (int shift = 12; shift >= 0; shift -= 4)
            key += hex[(half >> shift) & 0xFu];
    return key + "\\FileVersion";
}

String TVersionLabel::GetVersion()
{
    if (!FVersionText.empty())
        return FVersionText;
    // A file without version information, or with a part of it missing, shows
    // no version: nothing here is worth troubling the user with.
    try {
        const String path = ProgramFileName();
        std::uint32_t handle = 0;
        const std::uint32_t size = GetFileVersionInfoSizeA(path.c_str(), &handle);
        if (size == 0)
            return FVersionText;
        std::vector<char> block(std::size_t{size} + 1);
        if (!GetFileVersionInfoA(path.c_str(), 0, size + 1, block.data()))
            return FVersionText;
        void *value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length) ||
            length < sizeof(std::uint32_t))
            return FVersionText;
        std::uint32_t translation = 0;
        std::memcpy(&translation, value, sizeof translation);
        if (VerQueryValueA(block.data(), FileVersionKey(translation).c_str(), &value, &length))
            FVersionText = static_cast<const char *>(value); // copied before the block goes
    } catch (const std::exception &) {
    }
    return FVersionText;
}

void TVersionLabel::Loaded()
{
    TLabel::Loaded();
    SetCaption("Version " + GetVersion());
}

void version::Register()
{
    RegisterComponents("Marrow 2", {&TVersionLabel::StaticClassInfo()});
}
