#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "class_library/components/FormResource.h"
#include "class_library/components/Resources.h"
#include "class_library/loop/Timer.h"
#include "class_library/components/TypeInfo.h"
#include "platform/system/tests/GeneratedLocales.h"

namespace {

enum TShade { shLight, shDark, shHigh };

class TWidgetItem : public TCollectionItem {
public:
  using TCollectionItem::TCollectionItem;
  String ClassName() const override { return "TWidgetItem"; }
  String Caption;
  int Width = 0;
};

class TFontLike : public TPersistent {
public:
  String ClassName() const override { return "TFontLike"; }
  String Name = "Default";
  int Size = 8;
};

using TErrorEvent = std::function<void(TObject* Sender, int Code, bool& Handled)>;

class TWidget : public TComponent {
public:
  explicit TWidget(TComponent* owner)
      : TComponent(owner), Items(this, [](TCollection* c) { return new TWidgetItem(c); }) {}
  String ClassName() const override { return "TWidget"; }

  int Count = 0;
  String Caption;
  bool Active = false;
  TShade Shade = shLight;
  std::int64_t Sides = 0;
  double Ratio = 0;
  TWidget* Buddy = nullptr;
  TNotifyEvent OnPing;
  TErrorEvent OnError;
  std::vector<String> Lines;
  String Data;
  TOwnedCollection Items;
  TFontLike Font;
  bool HotTrack = false;

  // What the component saw when it was told loading had finished.
  bool loadingDuringRead = false;
  bool sawBuddyAtFinish = false;
  std::vector<String>* finishLog = nullptr;

  void SetCount(int v) {
    if (v < 0) throw EPropertyError("Count must not be negative");
    loadingDuringRead = ComponentState().Contains(csLoading) && ComponentState().Contains(csReading);
    Count = v;
  }
  void FinishLoading() override {
    TComponent::FinishLoading();
    sawBuddyAtFinish = Buddy != nullptr;
    if (finishLog) finishLog->push_back(Name());
  }
  void ComponentNotification(TComponent* c, TOperation op) override {
    TComponent::ComponentNotification(c, op);
    if (op == opRemove && c == Buddy) Buddy = nullptr;
  }
  // Old names: "FrameFlat" maps to HotTrack, "FrameSides" is dropped.
  void ReadLegacyProperties(TFiler* filer) override {
    TComponent::ReadLegacyProperties(filer);
    filer->DefineProperty("FrameFlat", [this](TReader& r) { HotTrack = r.ReadBoolean(); });
    filer->DefineProperty("FrameSides", [](TReader& r) { r.ReadSet(); });
    filer->DefineBinaryProperty("Data", [this](TReader& r) { Data = r.ReadBinary(); });
  }
};

const bool kRegistered = [] {
  RegisterClass<TWidgetItem>("TWidgetItem", "TCollectionItem")
      .Str("Caption", [](TWidgetItem& i) { return i.Caption; }, [](TWidgetItem& i, const String& v) { i.Caption = v; })
      .Integer("Width", [](TWidgetItem& i) { return i.Width; }, [](TWidgetItem& i, std::int64_t v) { i.Width = int(v); });
  RegisterClass<TFontLike>("TFontLike", "TPersistent")
      .Str("Name", [](TFontLike& f) { return f.Name; }, [](TFontLike& f, const String& v) { f.Name = v; }, "Default")
      .Integer("Size", [](TFontLike& f) { return f.Size; }, [](TFontLike& f, std::int64_t v) { f.Size = int(v); }, 8);
  RegisterClass<TWidget>("TWidget", "TComponent")
      .Integer("Count", [](TWidget& w) { return w.Count; }, [](TWidget& w, std::int64_t v) { w.SetCount(int(v)); }, 0)
      .Str("Caption", [](TWidget& w) { return w.Caption; }, [](TWidget& w, const String& v) { w.Caption = v; })
      .Boolean("Active", [](TWidget& w) { return w.Active; }, [](TWidget& w, bool v) { w.Active = v; }, false)
      .Enum("Shade", {"shLight", "shDark", "shHigh"}, [](TWidget& w) { return w.Shade; },
            [](TWidget& w, TShade v) { w.Shade = v; }, shLight)
      .Set("Sides", {"sdLeft", "sdTop", "sdRight", "sdBottom"}, [](TWidget& w) { return w.Sides; },
           [](TWidget& w, std::int64_t v) { w.Sides = v; }, 0)
      .Float("Ratio", [](TWidget& w) { return w.Ratio; }, [](TWidget& w, double v) { w.Ratio = v; }, 0.0)
      .Component("Buddy", "TWidget", [](TWidget& w) { return w.Buddy; }, [](TWidget& w, TWidget* b) { w.Buddy = b; })
      .Event<TNotifyEvent>("OnPing", [](TWidget& w, TNotifyEvent e) { w.OnPing = std::move(e); })
      .Event<TErrorEvent>("OnError", [](TWidget& w, TErrorEvent e) { w.OnError = std::move(e); })
      .Strings("Lines", [](TWidget& w) { return w.Lines; }, [](TWidget& w, const std::vector<String>& v) { w.Lines = v; })
      .Object("Items", [](TWidget& w) { return &w.Items; })
      .Object("Font", [](TWidget& w) { return &w.Font; });
  return true;
}();

// The root: methods registered before reading, as a module's constructor does.
class TPanelModule : public TDataModule {
public:
  explicit TPanelModule(TComponent* owner) : TDataModule(owner) {
    RegisterMethod("PingHandler", [this](TObject*) { ++pings; });
    RegisterMethod("ErrorHandler", TErrorEvent([this](TObject*, int code, bool& handled) {
                     lastCode = code;
                     handled = true;
                   }));
    RegisterMethod("ModuleCreate", [this](TObject*) { created = true; });
  }
  String ClassName() const override { return "TPanelModule"; }
  int pings = 0;
  int lastCode = 0;
  bool created = false;
};

const bool kModuleRegistered = (RegisterClass<TPanelModule>("TPanelModule", "TDataModule"), true);

const char* kFullResource = R"(object dmPanel: TPanelModule
  OldCreateOrder = False
  OnCreate = ModuleCreate
  Height = 150
  Width = 215
  object First: TWidget
    Count = 42
    Caption = 'It''s a '#13#10'test' +
      ' joined'
    Active = True
    Shade = shDark
    Sides = [sdLeft, sdBottom]
    Ratio = 1.5
    Buddy = Second
    OnPing = PingHandler
    OnError = ErrorHandler
    FrameFlat = True
    FrameSides = [sdLeft]
    Font.Name = 'Courier'
    Font.Size = 10
    Lines.Strings = (
      'one'
      'two')
    Data = {0A0b FF}
    Items = <
      item
        Caption = 'A'
        Width = 10
      end
      item
        Caption = 'B'
      end>
    Left = 8
    Top = 16
  end
  object Second: TWidget
    Ratio = -2.5
    Tag = $FF
  end
  object Clock: TTimer
    Enabled = False
    Interval = 250
    OnTimer = PingHandler
  end
end
)";

class TDataWidget : public TWidget {
public:
  using TWidget::TWidget;
  String ClassName() const override { return "TDataWidget"; }
};
const bool kDataRegistered = (RegisterClass<TDataWidget>("TDataWidget", "TWidget"), true);

String WithDataWidget(String text) {
  auto at = text.find("First: TWidget");
  text.replace(at, 14, "First: TDataWidget");
  return text;
}

TEST(FormResource, ReadsEveryKindOfValueIntoNestedComponents) {
  TPanelModule module(nullptr);
  ReadComponentResource(&module, WithDataWidget(kFullResource));
  module.DoCreate();

  EXPECT_EQ(module.Name(), "dmPanel");
  EXPECT_TRUE(module.created);
  ASSERT_EQ(module.ComponentCount(), 3);
  auto* first = dynamic_cast<TWidget*>(module.FindComponent("First"));
  auto* second = dynamic_cast<TWidget*>(module.FindComponent("Second"));
  auto* clock = dynamic_cast<TTimer*>(module.FindComponent("Clock"));
  ASSERT_TRUE(first && second && clock);
  EXPECT_EQ(first->Owner(), &module);
  EXPECT_EQ(first->ClassName(), "TDataWidget");

  EXPECT_EQ(first->Count, 42);
  EXPECT_EQ(first->Caption, "It's a \r\ntest joined");
  EXPECT_TRUE(first->Active);
  EXPECT_EQ(first->Shade, shDark);
  EXPECT_EQ(first->Sides, 0b1001);
  EXPECT_DOUBLE_EQ(first->Ratio, 1.5);
  EXPECT_EQ(first->Font.Name, "Courier");
  EXPECT_EQ(first->Font.Size, 10);
  EXPECT_EQ(first->Lines, (std::vector<String>{"one", "two"}));
  EXPECT_EQ(first->Data, String("\x0A\x0B\xFF", 3));
  ASSERT_EQ(first->Items.Count(), 2);
  EXPECT_EQ(static_cast<TWidgetItem*>(first->Items.Items(0))->Width, 10);
  EXPECT_EQ(static_cast<TWidgetItem*>(first->Items.Items(1))->Caption, "B");
  EXPECT_DOUBLE_EQ(second->Ratio, -2.5);
  EXPECT_EQ(second->Tag(), 255);
  EXPECT_FALSE(clock->Enabled());
  EXPECT_EQ(clock->Interval(), 250u);
}

// A GUI toolkit sets the C library's locale from the user's environment: a
// decimal comma there must not stop "1.5" in a form resource.
TEST(FormResource, NumbersReadAlikeInADecimalCommaLocale) {
  generated_locales::CommaDecimalLocale comma;
  if (!comma.Active()) GTEST_SKIP() << comma.Why();
  TPanelModule module(nullptr);
  ReadComponentResource(&module, kFullResource);
  auto* first = dynamic_cast<TWidget*>(module.FindComponent("First"));
  auto* second = dynamic_cast<TWidget*>(module.FindComponent("Second"));
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->Ratio, 1.5);
  EXPECT_EQ(second->Ratio, -2.5);
}

TEST(FormResource, LegacyPropertyIsMappedAndNeverAPublishedOne) {
  TPanelModule module(nullptr);
  ReadComponentResource(&module, kFullResource);
  auto* first = dynamic_cast<TWidget*>(module.FindComponent("First"));
  EXPECT_TRUE(first->HotTrack);
  EXPECT_EQ(GetPropInfo(first, "FrameFlat"), nullptr);
}

TEST(FormResource, EventsAreBoundByMethodNameWithTheirOwnSignatures) {
  TPanelModule module(nullptr);
  ReadComponentResource(&module, kFullResource);
  auto* first = dynamic_cast<TWidget*>(module.FindComponent("First"));
  ASSERT_TRUE(first->OnPing);
  first->OnPing(first);
  auto* clock = dynamic_cast<TTimer*>(module.FindComponent("Clock"));
  clock->Timer();
  EXPECT_EQ(module.pings, 2);
  bool handled = false;
  ASSERT_TRUE(first->OnError);
  first->OnError(first, 17, handled);
  EXPECT_TRUE(handled);
  EXPECT_EQ(module.lastCode, 17);
}

TEST(FormResource, ForwardReferencesResolveBeforeFinishLoadingInReadingOrder) {
  TPanelModule module(nullptr);
  std::vector<String> log;
  // Components created by the root's constructor are reused, so the log
  // pointer is in place before reading.
  auto* first = new TWidget(&module);
  first->SetName("First");
  first->finishLog = &log;
  auto* second = new TWidget(&module);
  second->SetName("Second");
  second->finishLog = &log;
  ReadComponentResource(&module, kFullResource);
  EXPECT_EQ(module.ComponentCount(), 3);
  EXPECT_EQ(first->Buddy, second);
  EXPECT_TRUE(first->sawBuddyAtFinish) << "Second is read after First refers to it";
  EXPECT_TRUE(first->loadingDuringRead);
  EXPECT_FALSE(first->ComponentState().Contains(csLoading));
  EXPECT_FALSE(module.ComponentState().Contains(csLoading));
  EXPECT_EQ(log, (std::vector<String>{"First", "Second"}));

  delete second;  // removal clears the reference through the notification
  EXPECT_EQ(first->Buddy, nullptr);
}

String ErrorOf(const String& text) {
  TPanelModule module(nullptr);
  try {
    ReadComponentResource(&module, text);
  } catch (const EReadError& e) {
    for (int i = 0; i < module.ComponentCount(); ++i)
      EXPECT_FALSE(module.Components(i)->ComponentState().Contains(csLoading));
    return e.Message();
  }
  return "no error";
}

TEST(FormResource, BadResourcesNameTheLine) {
  EXPECT_EQ(ErrorOf("object M: TPanelModule\n  object W: TNoSuchClass\n  end\nend\n"),
            "Line 2: Class TNoSuchClass not found");
  EXPECT_EQ(ErrorOf("object M: TPanelModule\n  object W: TWidget\n\n    Colour = 5\n  end\nend\n"),
            "Line 4: Error reading W.Colour: Property Colour does not exist");
  EXPECT_EQ(ErrorOf("object M: TPanelModule\n  object W: TWidget\n    Caption = 'open\n  end\nend\n"),
            "Line 3: Unterminated string");
  EXPECT_EQ(ErrorOf("object M: TPanelModule\n  object W: TWidget\n    Count = 1\n"), "Line 4: Missing end of W");
  EXPECT_EQ(ErrorOf("object M: TPanelModule\n object W: TWidget\n  Shade = shPurple\n end\nend"),
            "Line 3: Error reading W.Shade: Invalid property value");
  EXPECT_EQ(ErrorOf("object M: TPanelModule\n object W: TWidget\n  Count = 'x'\n end\nend"),
            "Line 3: Error reading W.Count: Invalid property value");
  EXPECT_EQ(ErrorOf("object M: TPanelModule\n object W: TWidget\n  Count = -3\n end\nend"),
            "Line 3: Error reading W.Count: Count must not be negative");
  EXPECT_EQ(ErrorOf("object M: TPanelModule\n object W: TWidget\n  OnPing = Nowhere\n end\nend"),
            "Line 3: Error reading W.OnPing: Method Nowhere not found");
  EXPECT_EQ(ErrorOf("object M: TPanelModule\n object W: TWidget\n  OnPing = ErrorHandler\n end\nend"),
            "Line 3: Error reading W.OnPing: Invalid property value");
  EXPECT_EQ(ErrorOf("object M: TPanelModule\n object W: TWidget\n\n  Buddy = Ghost\n end\nend"),
            "Line 4: Error reading W.Buddy: Component Ghost not found");
  EXPECT_EQ(ErrorOf("object M: TPanelModule\n object W: TWidget\n  Buddy = Clock\n end\n"
                    " object Clock: TTimer\n end\nend"),
            "Line 3: Error reading W.Buddy: Invalid property value");
  EXPECT_EQ(ErrorOf("object M: TPanelModule\n object W: TWidget\n  FrameFlat = 3\n end\nend"),
            "Line 3: Invalid property value");
  EXPECT_EQ(ErrorOf("object M: TPanelModule\n object W: TWidget\n  Data = {0A0}\n end\nend"),
            "Line 3: Invalid binary value");
  EXPECT_EQ(ErrorOf("object M: TPanelModule\n object W: TWidget\n  Count = 99999999999999999999\n end\nend"),
            "Line 3: Number out of range: 99999999999999999999");
  EXPECT_EQ(ErrorOf("object M: TPanelModule\n object T: TTimer\n  Interval = -1\n end\nend"),
            "Line 3: Error reading T.Interval: Invalid property value");
  EXPECT_EQ(ErrorOf("object M: TPanelModule\n Tag = 9223372036854775808\nend"),
            "Line 2: Number out of range: 9223372036854775808");
  EXPECT_EQ(ErrorOf("object M: TPanelModule\n object W: TWidget\n  Count ? 1\n end\nend"),
            "Line 3: Invalid character '?'");
  EXPECT_EQ(ErrorOf("object M: TPanelModule\nend\ntrailing"), "Line 3: Unexpected 'trailing' after end");
  EXPECT_EQ(ErrorOf(""), "Line 1: Expected object, found end of text");
}

TEST(FormResource, DuplicateNamesAreRejected) {
  EXPECT_EQ(ErrorOf("object M: TPanelModule\n object W: TWidget\n end\n object W: TTimer\n end\nend"),
            "Line 4: Component W is a TWidget, not a TTimer");
}

TEST(FormResource, MalformedInputNeverCrashesOrHangs) {
  // Every truncation of a valid resource, and random byte damage, must end
  // in an exception or a successful read: nothing else.
  const String base = WithDataWidget(kFullResource);
  for (size_t cut = 0; cut < base.size(); cut += 3) {
    TPanelModule module(nullptr);
    try {
      ReadComponentResource(&module, base.substr(0, cut));
    } catch (const Exception&) {
    }
  }
  std::mt19937 rng(1234);
  for (int round = 0; round < 300; ++round) {
    String damaged = base;
    for (int k = 0; k < 4; ++k) damaged[rng() % damaged.size()] = static_cast<char>(rng() % 256);
    TPanelModule module(nullptr);
    try {
      ReadComponentResource(&module, damaged);
    } catch (const Exception&) {
    }
  }
  // Deep nesting is refused instead of exhausting the stack.
  String deep;
  for (int i = 0; i < 10000; ++i) deep += "object X: TWidget\n";
  EXPECT_THROW(ParseFormResource(deep), EReadError);
  String deepList = "object M: TPanelModule\n Lines = " + String(10000, '(');
  EXPECT_THROW(ParseFormResource(deepList), EReadError);
}

TEST(FormResource, StringAndNumberForms) {
  TResObject o = ParseFormResource(
      "object A: TB\n S = #$263A'x'#65\n N = -9223372036854775808\n H = $7FFFFFFF\n F = 2.5E-3\nend");
  ASSERT_EQ(o.props.size(), 4u);
  EXPECT_EQ(o.props[0].value.text, "\xE2\x98\xBAxA");
  EXPECT_EQ(o.props[1].value.integer, INT64_MIN);
  EXPECT_EQ(o.props[2].value.integer, 0x7FFFFFFF);
  EXPECT_DOUBLE_EQ(o.props[3].value.number, 0.0025);
}

TEST(FormResource, PositionsReferencesAndNestedValues) {
  const TResObject o = ParseFormResource(
      "inherited A: TB [2]\n R = Other.Comp\n S = []\n L = (1 (2 -3.5) 'x')\n C = <\n  item [0]\n   P = 1\n  end\n"
      "  item\n  end>\nend");
  EXPECT_EQ(o.keyword, "inherited");
  ASSERT_EQ(o.props.size(), 4u);
  EXPECT_EQ(o.props[0].value.kind, TResValue::vaIdent);
  EXPECT_EQ(o.props[0].value.text, "Other.Comp");
  EXPECT_EQ(o.props[1].value.kind, TResValue::vaSet);
  EXPECT_TRUE(o.props[1].value.names.empty());
  const TResValue& list = o.props[2].value;
  ASSERT_EQ(list.items.size(), 3u);
  ASSERT_EQ(list.items[1].items.size(), 2u);
  EXPECT_DOUBLE_EQ(list.items[1].items[1].number, -3.5);
  EXPECT_EQ(list.items[2].text, "x");
  const TResValue& items = o.props[3].value;
  ASSERT_EQ(items.collection.size(), 2u);
  ASSERT_EQ(items.collection[0].props.size(), 1u);
  EXPECT_EQ(items.collection[0].props[0].path, "P");
  EXPECT_EQ(items.collection[0].line, 6);
  EXPECT_TRUE(items.collection[1].props.empty());
  EXPECT_EQ(items.collection[1].line, 9);
}

TEST(FormResource, MalformedValuesNameTheFault) {
  const auto errorOf = [](const String& value) -> String {
    try {
      ParseFormResource("object A: TB\n X = " + value);
    } catch (const EReadError& e) {
      return e.Message();
    }
    return "no error";
  };
  EXPECT_EQ(errorOf(""), "Line 2: Missing value");
  EXPECT_EQ(errorOf("'a' + 1"), "Line 2: Expected a string after '+'");
  EXPECT_EQ(errorOf("-abc"), "Line 2: Expected a number after '-'");
  EXPECT_EQ(errorOf("(1 2"), "Line 2: Missing ')'");
  EXPECT_EQ(errorOf("<thing>"), "Line 2: Expected item, found 'thing'");
  EXPECT_EQ(errorOf("<item [x]"), "Line 2: Expected a number");
  EXPECT_EQ(errorOf("<item\n Y = 1\n"), "Line 4: Missing end of item");
  EXPECT_EQ(errorOf("<item 5"), "Line 2: Unexpected '5'");
  EXPECT_EQ(errorOf("[a b]"), "Line 2: Expected ',', found 'b'");
  EXPECT_EQ(errorOf("Module.7"), "Line 2: Expected a name, found '7'");
  EXPECT_EQ(errorOf(")"), "Line 2: Invalid value ')'");
}

TEST(FormResource, EmbeddedResourceByName) {
  RegisterResourceText("TESTPANEL", kFullResource, std::strlen(kFullResource));
  TPanelModule module(nullptr);
  InitComponentFromResource(&module, "TestPanel");
  EXPECT_EQ(module.ComponentCount(), 3);
  EXPECT_THROW(InitComponentFromResource(&module, "Missing"), EResNotFound);
}

TEST(TypeInfo, PropertiesByNameWithDefaults) {
  TWidget w(nullptr);
  SetEnumProp(&w, "shade", "SHHIGH");
  EXPECT_EQ(w.Shade, shHigh);
  EXPECT_EQ(GetEnumProp(&w, "Shade"), "shHigh");
  SetSetProp(&w, "Sides", "[sdTop, sdRight]");
  EXPECT_EQ(GetSetProp(&w, "Sides"), "[sdTop,sdRight]");
  EXPECT_THROW(SetSetProp(&w, "Sides", "[sdNowhere]"), EPropertyError);
  SetOrdProp(&w, "Count", 3);
  EXPECT_EQ(GetOrdProp(&w, "Count"), 3);
  EXPECT_THROW(SetOrdProp(&w, "Shade", 3), EPropertyError);  // beyond the enumeration
  EXPECT_THROW(GetStrProp(&w, "Count"), EPropertyError);
  EXPECT_THROW(GetOrdProp(&w, "Missing"), EPropertyError);
  // Inherited from TComponent through the parent chain.
  SetOrdProp(&w, "Tag", 9);
  EXPECT_EQ(w.Tag(), 9);

  const TPropInfo* count = GetPropInfo(&w, "Count");
  EXPECT_TRUE(IsStoredProp(&w, *count));
  w.Count = 0;
  EXPECT_FALSE(IsStoredProp(&w, *count)) << "equal to its default";
  EXPECT_FALSE(IsStoredProp(&w, *GetPropInfo(&w, "Name")));
  EXPECT_TRUE(IsStoredProp(&w.Font, *GetPropInfo(&w.Font, "Size")) == false);

  TWidget other(nullptr);
  TTimer timer(nullptr);
  SetComponentProp(&w, "Buddy", &other);
  EXPECT_EQ(w.Buddy, &other);
  EXPECT_THROW(SetComponentProp(&w, "Buddy", &timer), EPropertyError);
  EXPECT_TRUE(ClassInheritsFrom("TDataWidget", "tcomponent"));
  EXPECT_THROW(CreateComponentOfClass("TNope", nullptr), EClassNotFound);
  std::unique_ptr<TComponent> made(CreateComponentOfClass("TWidget", nullptr));
  EXPECT_EQ(made->ClassName(), "TWidget");
}

}  // namespace
