#include "template_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

// Walks the template's words.
class Cursor {
 public:
  Cursor(const BYTE* data, size_t size) : data_(data), end_(data + size) {}
  bool Ok() const { return ok_; }
  template <typename T>
  T Take()
  {
    T value{};
    if (data_ + sizeof(T) > end_) {
      ok_ = false;
      return value;
    }
    memcpy(&value, data_, sizeof(T));
    data_ += sizeof(T);
    return value;
  }
  std::wstring String()
  {
    std::wstring text;
    for (WORD unit = Take<WORD>(); ok_ && unit; unit = Take<WORD>()) text += static_cast<wchar_t>(unit);
    return text;
  }
  // A name or an ordinal (0xFFFF, number), or nothing (0).
  std::wstring NameOrOrdinal(bool* isOrdinal, WORD* ordinal)
  {
    WORD first = Take<WORD>();
    *isOrdinal = first == 0xFFFF;
    if (*isOrdinal) {
      *ordinal = Take<WORD>();
      return L"#" + std::to_wstring(*ordinal);
    }
    if (first == 0) return L"";
    return static_cast<wchar_t>(first) + String();
  }
  void AlignToDword(const BYTE* start)
  {
    size_t offset = static_cast<size_t>(data_ - start);
    data_ += (4 - offset % 4) % 4;
  }

 private:
  const BYTE* data_;
  const BYTE* end_;
  bool ok_ = true;
};

std::wstring ClassOfOrdinal(WORD ordinal)
{
  static const wchar_t* const kClasses[] = {L"Button", L"Edit", L"Static", L"ListBox", L"ScrollBar", L"ComboBox"};
  return ordinal >= 0x80 && ordinal <= 0x85 ? kClasses[ordinal - 0x80] : L"#" + std::to_wstring(ordinal);
}

}  // namespace

bool ReadDialogTemplate(HMODULE module, int templateId, DialogTemplate* out)
{
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(templateId), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
  HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
  const BYTE* start = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  if (!start) {
    ADD_FAILURE() << "no dialog template " << templateId;
    return false;
  }
  Cursor at(start, SizeofResource(module, resource));
  if (at.Take<WORD>() != 1 || at.Take<WORD>() != 0xFFFF) {
    ADD_FAILURE() << "template " << templateId << " is not an extended template";
    return false;
  }
  at.Take<DWORD>();  // help id
  out->exStyle = at.Take<DWORD>();
  out->style = at.Take<DWORD>();
  WORD count = at.Take<WORD>();
  out->x = at.Take<short>();
  out->y = at.Take<short>();
  out->cx = at.Take<short>();
  out->cy = at.Take<short>();
  bool ordinal;
  WORD number;
  at.NameOrOrdinal(&ordinal, &number);  // menu
  at.NameOrOrdinal(&ordinal, &number);  // class
  out->caption = at.String();
  if (out->style & (DS_SETFONT | DS_SHELLFONT)) {
    out->pointSize = at.Take<WORD>();
    at.Take<WORD>();  // weight
    at.Take<BYTE>();  // italic
    at.Take<BYTE>();  // charset
    out->font = at.String();
  }
  for (WORD i = 0; i < count && at.Ok(); ++i) {
    at.AlignToDword(start);
    TemplateControl control;
    at.Take<DWORD>();  // help id
    control.exStyle = at.Take<DWORD>();
    control.style = at.Take<DWORD>();
    control.x = at.Take<short>();
    control.y = at.Take<short>();
    control.cx = at.Take<short>();
    control.cy = at.Take<short>();
    control.id = static_cast<int>(at.Take<int32_t>());
    std::wstring className = at.NameOrOrdinal(&ordinal, &number);
    control.className = ordinal ? ClassOfOrdinal(number) : className;
    control.text = at.NameOrOrdinal(&ordinal, &number);
    WORD extra = at.Take<WORD>();
    for (WORD b = 0; b < extra; ++b) at.Take<BYTE>();
    out->controls.push_back(control);
  }
  if (!at.Ok()) ADD_FAILURE() << "template " << templateId << " ends early";
  return at.Ok();
}
