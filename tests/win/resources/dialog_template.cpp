#include "dialog_template.h"

namespace {

// Little-endian reads that fail, instead of overrunning, at the end of the data.
class Reader {
  public:
    explicit Reader(const std::vector<BYTE>& bytes) : _bytes(bytes) {}

    bool Word(WORD& out) {
        if (_at + 2 > _bytes.size()) return false;
        out = static_cast<WORD>(_bytes[_at] | (_bytes[_at + 1] << 8));
        _at += 2;
        return true;
    }
    bool Dword(DWORD& out) {
        WORD low, high;
        if (!Word(low) || !Word(high)) return false;
        out = low | (static_cast<DWORD>(high) << 16);
        return true;
    }
    bool Short(LONG& out) {
        WORD value;
        if (!Word(value)) return false;
        out = static_cast<SHORT>(value);
        return true;
    }
    bool Rect(RECT& out) {
        return Short(out.left) && Short(out.top) && Short(out.right) && Short(out.bottom);
    }
    bool String(std::wstring& out) {
        out.clear();
        for (WORD c; Word(c);) {
            if (c == 0) return true;
            out.push_back(static_cast<wchar_t>(c));
        }
        return false;
    }
    bool NameOrOrdinalField(NameOrOrdinal& out) {
        WORD first;
        if (!Word(first)) return false;
        if (first == 0xFFFF) return Word(out.ordinal);
        if (first == 0) return true;
        _at -= 2;
        return String(out.name);
    }
    bool Skip(size_t count) {
        if (_at + count > _bytes.size()) return false;
        _at += count;
        return true;
    }
    bool AlignToDword() { return Skip((4 - _at % 4) % 4); }

  private:
    const std::vector<BYTE>& _bytes;
    size_t _at = 0;
};

bool ParseItem(Reader& in, DialogItem& item) {
    DWORD helpId, id;
    WORD extraBytes;
    if (!in.AlignToDword() || !in.Dword(helpId) || !in.Dword(item.exStyle) ||
        !in.Dword(item.style) || !in.Rect(item.rect) || !in.Dword(id) ||
        !in.NameOrOrdinalField(item.windowClass) || !in.NameOrOrdinalField(item.text) ||
        !in.Word(extraBytes) || !in.Skip(extraBytes)) {
        return false;
    }
    item.id = static_cast<LONG>(id);
    return true;
}

}  // namespace

std::optional<DialogTemplate> ParseDialogTemplate(const std::vector<BYTE>& bytes) {
    Reader in(bytes);
    DialogTemplate dialog;
    WORD version, signature, count;
    DWORD helpId;
    if (!in.Word(version) || !in.Word(signature) || version != 1 || signature != 0xFFFF) {
        return std::nullopt;
    }
    if (!in.Dword(helpId) || !in.Dword(dialog.exStyle) || !in.Dword(dialog.style) ||
        !in.Word(count) || !in.Rect(dialog.rect) || !in.NameOrOrdinalField(dialog.menu) ||
        !in.NameOrOrdinalField(dialog.windowClass) || !in.String(dialog.title)) {
        return std::nullopt;
    }
    if (dialog.style & (DS_SETFONT | DS_SHELLFONT)) {
        WORD italicAndCharset;
        if (!in.Word(dialog.pointSize) || !in.Word(dialog.weight) || !in.Word(italicAndCharset) ||
            !in.String(dialog.typeface)) {
            return std::nullopt;
        }
    }
    dialog.items.resize(count);
    for (DialogItem& item : dialog.items) {
        if (!ParseItem(in, item)) return std::nullopt;
    }
    return dialog;
}
