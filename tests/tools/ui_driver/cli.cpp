#include "tests/tools/ui_driver/cli.h"

#include <cerrno>
#include <cwchar>
#include <cwctype>

namespace ui_driver {
namespace {

// What follows a command's name.
enum class Args {
    None,               // caption
    Id,                 // text 1017
    Timeout,            // wait-dialog 10000
    IdTimeout,          // wait-hidden 1000 60000
    OptCaption,         // msgbox-text [caption]
    TimeoutOptCaption,  // msgbox-wait 5000 [caption]
    ButtonOptCaption,   // msgbox-press IDOK [caption]
};

struct Syntax {
    const wchar_t* name;
    Op op;
    Args args;
};

constexpr Syntax kCommands[] = {
    {L"wait-dialog", Op::WaitDialog, Args::Timeout},
    {L"wait-gone", Op::WaitGone, Args::Timeout},
    {L"wait-any", Op::WaitAny, Args::Timeout},
    {L"caption", Op::Caption, Args::None},
    {L"text", Op::Text, Args::Id},
    {L"visible", Op::Visible, Args::Id},
    {L"enabled", Op::Enabled, Args::Id},
    {L"checked", Op::Checked, Args::Id},
    {L"wait-hidden", Op::WaitHidden, Args::IdTimeout},
    {L"minimised", Op::Minimised, Args::None},
    {L"minimise", Op::Minimise, Args::None},
    {L"click", Op::Click, Args::Id},
    {L"check", Op::Check, Args::Id},
    {L"uncheck", Op::Uncheck, Args::Id},
    {L"msgbox-wait", Op::MsgboxWait, Args::TimeoutOptCaption},
    {L"msgbox-text", Op::MsgboxText, Args::OptCaption},
    {L"msgbox-press", Op::MsgboxPress, Args::ButtonOptCaption},
    {L"foreground", Op::Foreground, Args::None},
    {L"rect", Op::Rect, Args::None},
    {L"msgbox-rect", Op::MsgboxRect, Args::OptCaption},
    {L"click-link", Op::ClickLink, Args::Id},
};

size_t RequiredCount(Args args) {
    switch (args) {
        case Args::Id:
        case Args::Timeout:
        case Args::TimeoutOptCaption:
        case Args::ButtonOptCaption:
            return 1;
        case Args::IdTimeout:
            return 2;
        case Args::None:
        case Args::OptCaption:
            return 0;
    }
    return 0;
}

bool TakesCaption(Args args) {
    return args == Args::OptCaption || args == Args::TimeoutOptCaption ||
           args == Args::ButtonOptCaption;
}

Result<Command> Bad(const std::string& message) { return Result<Command>::Fail(message); }

}  // namespace

std::optional<long long> ParseNumber(const std::wstring& text) {
    if (text.empty() || text.size() > 12) return std::nullopt;
    wchar_t* end = nullptr;
    errno = 0;
    const long long value = std::wcstoll(text.c_str(), &end, 0);
    if (errno != 0 || *end != L'\0' || std::iswspace(text[0])) return std::nullopt;
    return value;
}

std::optional<int> ParseButton(const std::wstring& name) {
    std::wstring upper;
    for (wchar_t c : name) upper += static_cast<wchar_t>(std::towupper(c));
    if (upper == L"IDOK") return IDOK;
    if (upper == L"IDCANCEL") return IDCANCEL;
    if (upper == L"IDYES") return IDYES;
    if (upper == L"IDNO") return IDNO;
    const std::optional<long long> number = ParseNumber(name);
    if (number && *number > 0 && *number <= 0xFFFF) return static_cast<int>(*number);
    return std::nullopt;
}

Result<Command> ParseCommand(const std::vector<std::wstring>& args) {
    if (args.empty()) return Bad("no command given");
    const Syntax* syntax = nullptr;
    for (const Syntax& s : kCommands) {
        if (args[0] == s.name) syntax = &s;
    }
    if (!syntax) return Bad("unknown command \"" + Narrow(args[0]) + "\"");

    Command command;
    command.op = syntax->op;
    const size_t given = args.size() - 1;
    size_t next = 1;
    auto takeId = [&]() -> bool {
        const std::optional<long long> id = ParseNumber(args[next++]);
        if (!id || *id < -1 || *id > 0xFFFF) return false;
        command.id = static_cast<int>(*id);
        return true;
    };
    auto takeTimeout = [&]() -> bool {
        const std::optional<long long> ms = ParseNumber(args[next++]);
        if (!ms || *ms < 0 || *ms > 24LL * 3600 * 1000) return false;
        command.timeoutMs = static_cast<DWORD>(*ms);
        return true;
    };

    const size_t required = RequiredCount(syntax->args);
    const size_t optional = TakesCaption(syntax->args) ? 1 : 0;
    if (given < required || given > required + optional) {
        return Bad("wrong number of arguments for \"" + Narrow(args[0]) + "\"");
    }

    switch (syntax->args) {
        case Args::Id:
            if (!takeId()) return Bad("bad control id \"" + Narrow(args[1]) + "\"");
            break;
        case Args::Timeout:
        case Args::TimeoutOptCaption:
            if (!takeTimeout())
                return Bad("bad timeout \"" + Narrow(args[1]) + "\" (milliseconds)");
            break;
        case Args::IdTimeout:
            if (!takeId()) return Bad("bad control id \"" + Narrow(args[1]) + "\"");
            if (!takeTimeout())
                return Bad("bad timeout \"" + Narrow(args[2]) + "\" (milliseconds)");
            break;
        case Args::ButtonOptCaption: {
            const std::optional<int> button = ParseButton(args[next++]);
            if (!button)
                return Bad("bad button \"" + Narrow(args[1]) + "\" (IDOK, IDYES, IDNO, IDCANCEL)");
            command.id = *button;
            break;
        }
        case Args::None:
        case Args::OptCaption:
            break;
    }
    if (next < args.size()) command.caption = args[next];
    return Result<Command>::Ok(command);
}

}  // namespace ui_driver
