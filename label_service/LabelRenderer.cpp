#include "label_service/LabelRenderer.h"

#include "class_library/core/SysUtils.h"

namespace {

const TReplaceFlags kAllIgnoreCase{rfReplaceAll, rfIgnoreCase};

String ReplaceTag(const String& text, const String& tag, const String& value) {
  return StringReplace(text, tag, value, kAllIgnoreCase);
}

// The line without its caption (removed wherever and however cased it
// appears), trimmed.
String WithoutCaption(const String& line, const String& caption) {
  return Trim(caption.empty() ? line : StringReplace(line, caption, "", kAllIgnoreCase));
}

// The tags filled from the record's lines 0 to 11, in the order they are
// replaced: the order matters, as a value may itself contain a later tag. A
// tag with a caption takes its line without that caption, trimmed; the
// others take the line unchanged.
struct TLineTag {
  const char* Tag;
  int Line;
  String TLabelCaptions::*Caption;
};
const TLineTag kLineTags[] = {
    {"<Reference>", 0, nullptr},
    {"<Revenue Center>", 1, nullptr},
    {"<Employee>", 2, nullptr},
    {"<Transaction Description>", 3, nullptr},
    {"<Total Text>", 4, nullptr},
    {"<Order Total>", 4, &TLabelCaptions::TotalText},
    {"<Order Time>", 5, nullptr},
    {"<Order Time (Parsed)>", 5, &TLabelCaptions::TimeText},
    {"<Label Header>", 6, nullptr},
    {"<Label Header (Parsed)>", 6, &TLabelCaptions::LabelsText},
    {"<Address>", 7, nullptr},
    {"<City and Town>", 8, nullptr},
    {"<Phone>", 9, nullptr},
    {"<Map Code>", 10, nullptr},
    {"<Map Code (Parsed)>", 10, &TLabelCaptions::MapText},
    {"<Directions>", 11, nullptr},
};

String ModifierTag(int n) { return "<Item Mod[" + IntToStr(n) + "]>"; }

}  // namespace

String TLabelRenderer::FillRecord(const String& DesignText, const TStrings& Spool, int Base) const {
  auto line = [&](int offset) { return Spool.Strings(Base + offset); };
  String text = DesignText;
  for (const auto& tag : kLineTags) {
    const String value = line(tag.Line);
    text = ReplaceTag(text, tag.Tag, tag.Caption ? WithoutCaption(value, Captions.*tag.Caption) : value);
  }

  // The item is the first non-empty line from line 20 on; its modifiers are
  // the lines right after it up to the first empty one. A record without an
  // item line gets an empty item name.
  const int end = Base + SpoolRecordLines;
  int item = Base + 20;
  while (item < end && Spool.Strings(item).empty()) ++item;
  if (item < end) {
    text = ReplaceTag(text, "<Item Name>", Trim(Spool.Strings(item)));
    for (int n = 1; item + n < end && !Spool.Strings(item + n).empty(); ++n) {
      text = ReplaceTag(text, ModifierTag(n), Trim(Spool.Strings(item + n)));
    }
  } else {
    text = ReplaceTag(text, "<Item Name>", "");
  }
  // Modifier tags (in any case) without a line vanish; "<Item Mod[101]>" and
  // above stay.
  if (UpperCase(text).find("<ITEM MOD[") != String::npos) {
    for (int n = 1; n <= MaxItemModifiers; ++n) text = ReplaceTag(text, ModifierTag(n), "");
  }
  return text;
}

void TLabelRenderer::Render(TStringList& SpoolLines, TStringList& LabelLines) const {
  TStringList design;
  LabelLines.Clear();
  SpoolLines.SetText(StringReplace(SpoolLines.Text(), "'", "\\'", rfReplaceAll));
  const int count = SpoolLines.Count();
  if (count % SpoolRecordLines != 0) {
    if (OnIncompatible) OnIncompatible();
    return;
  }
  for (int base = 0; base < count; base += SpoolRecordLines) {
    try {
      if (LoadDesign) LoadDesign(design);
    } catch (const Exception&) {
      if (OnDesignError) OnDesignError();
    } catch (const std::exception&) {
      if (OnDesignError) OnDesignError();
    }
    design.SetText(FillRecord(design.Text(), SpoolLines, base));
    LabelLines.AddStrings(design);
  }
}
