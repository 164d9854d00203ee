#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "class_library/components/Component.h"
#include "class_library/core/Exceptions.h"
#include "class_library/components/TypeInfo.h"
#include "platform/system/MessageBox.h"

namespace {

// Records its own destruction and the removals it is told about.
class TProbe : public TComponent {
public:
  TProbe(TComponent* owner, std::vector<String>* log = nullptr) : TComponent(owner), log_(log) {}
  ~TProbe() override {
    if (log_) log_->push_back("free " + Name());
  }
  String ClassName() const override { return "TProbe"; }
  void ComponentNotification(TComponent* c, TOperation op) override {
    TComponent::ComponentNotification(c, op);
    if (op == opRemove && c == Peer) Peer = nullptr;
    if (log_ && c != this) log_->push_back(Name() + (op == opInsert ? " +" : " -") + c->Name());
  }
  TComponent* Peer = nullptr;

private:
  std::vector<String>* log_;
};

class TPoint : public TPersistent {
public:
  String ClassName() const override { return "TPoint"; }
  int X = 0;
  void Assign(TPersistent* source) override {
    if (auto* p = dynamic_cast<TPoint*>(source)) {
      X = p->X;
      return;
    }
    TPersistent::Assign(source);
  }
};

class TOther : public TPersistent {
public:
  String ClassName() const override { return "TOther"; }
};

TEST(Component, OwnerFreesOwnedComponentsLastFirst) {
  std::vector<String> log;
  {
    auto owner = std::make_unique<TProbe>(nullptr, &log);
    owner->SetName("Owner");
    auto* a = new TProbe(owner.get(), &log);
    a->SetName("A");
    auto* b = new TProbe(owner.get(), &log);
    b->SetName("B");
    auto* inner = new TProbe(a, &log);  // owned one level down
    inner->SetName("Inner");
    ASSERT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(owner->Components(1), b);
    EXPECT_EQ(b->ComponentIndex(), 1);
    log.clear();
  }
  // B goes first, and A survives being told about it; A's own destructor
  // body logs before its base frees Inner.
  std::vector<String> frees;
  for (const String& line : log)
    if (line.rfind("free ", 0) == 0) frees.push_back(line);
  EXPECT_EQ(frees, (std::vector<String>{"free Owner", "free B", "free A", "free Inner"}));
}

TEST(Component, DeletingAnOwnedComponentLeavesTheOwnerAndTellsSiblings) {
  std::vector<String> log;
  TProbe owner(nullptr);
  auto* a = new TProbe(&owner, &log);
  a->SetName("A");
  auto* b = new TProbe(&owner, &log);
  b->SetName("B");
  a->Peer = b;
  delete b;
  EXPECT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(a->Peer, nullptr) << "the sibling must hear of the removal";
  EXPECT_EQ(owner.FindComponent("b"), nullptr);
}

TEST(Component, FreeNotificationReachesAComponentWithAnotherOwner) {
  auto ownerA = std::make_unique<TComponent>(nullptr);
  auto ownerB = std::make_unique<TComponent>(nullptr);
  auto* watcher = new TProbe(ownerA.get());
  auto* target = new TProbe(ownerB.get());
  watcher->Peer = target;
  target->FreeNotification(watcher);
  ownerB.reset();
  EXPECT_EQ(watcher->Peer, nullptr);

  // Both directions are forgotten: freeing the watcher later tells nobody.
  auto* again = new TProbe(ownerA.get());
  again->FreeNotification(watcher);
  again->RemoveFreeNotification(watcher);
  watcher->Peer = again;
  delete again;  // the owner's broadcast still clears it (same owner)
  EXPECT_EQ(watcher->Peer, nullptr);
}

TEST(Component, FreeNotificationPeerDestroyedFirstIsForgotten) {
  auto a = std::make_unique<TProbe>(nullptr);
  auto b = std::make_unique<TProbe>(nullptr);
  a->FreeNotification(b.get());
  b.reset();  // must unlink from a, or a's destructor touches freed memory
  a.reset();
  SUCCEED();
}

TEST(Component, InsertMovesOwnershipAndNotifies) {
  std::vector<String> log;
  TProbe first(nullptr, &log);
  first.SetName("First");
  TProbe second(nullptr, &log);
  second.SetName("Second");
  auto* moved = new TProbe(&first);
  moved->SetName("Moved");
  log.clear();
  second.InsertComponent(moved);
  EXPECT_EQ(moved->Owner(), &second);
  EXPECT_EQ(first.ComponentCount(), 0);
  EXPECT_EQ(log, (std::vector<String>{"First -Moved", "Second +Moved"}));
  second.RemoveComponent(moved);
  std::unique_ptr<TComponent> holder(moved);  // now ours
  EXPECT_EQ(moved->Owner(), nullptr);
}

TEST(Component, NamesAreValidatedAndUniqueWithoutRegardToCase) {
  TComponent owner(nullptr);
  auto* a = new TComponent(&owner);
  a->SetName("Table1");
  auto* b = new TComponent(&owner);
  EXPECT_THROW(b->SetName("TABLE1"), EComponentError);
  EXPECT_THROW(b->SetName("1Table"), EComponentError);
  EXPECT_THROW(b->SetName("Tab le"), EComponentError);
  b->SetName("_Table2");
  a->SetName("TABLE1");  // renaming itself in another case is fine
  EXPECT_EQ(owner.FindComponent("table1"), a);
  b->SetName("");
  EXPECT_EQ(b->Name(), "");
  try {
    b->SetName("Table1");
    FAIL();
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message(), "A component named Table1 already exists");
  }
}

TEST(Component, StateFlagsAndDesigningNeverSet) {
  TComponent c(nullptr);
  EXPECT_TRUE(c.ComponentState().Empty());
  c.BeginLoading();
  EXPECT_TRUE(c.ComponentState().Contains(csLoading));
  c.FinishLoading();
  EXPECT_FALSE(c.ComponentState().Contains(csLoading));
  c.Updating();
  EXPECT_TRUE(c.ComponentState().Contains(csUpdating));
  c.Updated();
  EXPECT_FALSE(c.ComponentState().Contains(csDesigning));
  EXPECT_TRUE(c.ComponentState().Empty());
}

TEST(Component, OwnedComponentsSeeDestroyingWhileTheOwnerGoes) {
  bool sawDestroying = false;
  struct TChild : TComponent {
    bool* flag;
    TChild(TComponent* o, bool* f) : TComponent(o), flag(f) {}
    ~TChild() override { *flag = ComponentState().Contains(csDestroying); }
  };
  {
    TComponent owner(nullptr);
    new TChild(&owner, &sawDestroying);
  }
  EXPECT_TRUE(sawDestroying);
}

TEST(Persistent, AssignFromAnUnknownClassNamesBothClasses) {
  TPoint a, b;
  b.X = 7;
  a.Assign(&b);
  EXPECT_EQ(a.X, 7);
  TOther other;
  try {
    a.Assign(&other);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TOther to a TPoint");
  }
  EXPECT_THROW(a.Assign(nullptr), EConvertError);
}

class TNamedItem : public TCollectionItem {
public:
  using TCollectionItem::TCollectionItem;
  String ClassName() const override { return "TNamedItem"; }
  String Text;
  void Assign(TPersistent* source) override {
    if (auto* s = dynamic_cast<TNamedItem*>(source)) {
      Text = s->Text;
      return;
    }
    TCollectionItem::Assign(source);
  }
};

TEST(Collection, AddDeleteMoveAndAssign) {
  int updates = 0;
  struct TCounting : TCollection {
    int* updates;
    explicit TCounting(int* u) : TCollection([](TCollection* c) { return new TNamedItem(c); }), updates(u) {}
    void Update(TCollectionItem*) override { ++*updates; }
  } items(&updates);
  auto* a = static_cast<TNamedItem*>(items.Add());
  a->Text = "a";
  auto* b = static_cast<TNamedItem*>(items.Add());
  b->Text = "b";
  EXPECT_EQ(updates, 2);
  b->SetIndex(0);
  EXPECT_EQ(items.Items(0), b);
  EXPECT_EQ(a->Index(), 1);
  EXPECT_EQ(items.FindItemID(a->ID()), a);
  EXPECT_THROW(items.Items(2), EListError);

  TCollection copy([](TCollection* c) { return new TNamedItem(c); });
  copy.Assign(&items);
  ASSERT_EQ(copy.Count(), 2);
  EXPECT_EQ(static_cast<TNamedItem*>(copy.Items(0))->Text, "b");

  updates = 0;
  items.BeginUpdate();
  items.Clear();
  EXPECT_EQ(updates, 0);
  items.EndUpdate();
  EXPECT_EQ(updates, 1);
  delete copy.Items(0);  // an item deleted directly leaves its collection
  EXPECT_EQ(copy.Count(), 1);
}

TEST(RootRegistry, SearchDataModulesAndFormsByClass) {
  class TEnvLike : public TComponent {
  public:
    using TComponent::TComponent;
    String ClassName() const override { return "TEnvLike"; }
  };
  static bool registered = (RegisterClass<TEnvLike>("TEnvLike", "TComponent"), true);
  (void)registered;

  int before = DataModuleCount();
  {
    TDataModule module(nullptr);
    module.SetName("dmMain");
    auto* env = new TEnvLike(&module);
    auto form = std::make_unique<TComponent>(nullptr);
    form->SetName("frmMain");
    RegisterRootComponent(form.get(), TRootKind::Form);
    ASSERT_EQ(DataModuleCount(), before + 1);
    EXPECT_EQ(FormCount(), 1);
    EXPECT_EQ(FindGlobalComponent("DMMAIN"), &module);
    EXPECT_EQ(Forms(0), form.get());

    TComponent* found = nullptr;
    for (int m = 0; m < DataModuleCount() && !found; ++m)
      for (int i = 0; i < DataModules(m)->ComponentCount(); ++i)
        if (ComponentInheritsFrom(DataModules(m)->Components(i), "TComponent") &&
            ComponentInheritsFrom(DataModules(m)->Components(i), "TEnvLike"))
          found = DataModules(m)->Components(i);
    EXPECT_EQ(found, env);
    EXPECT_FALSE(ComponentInheritsFrom(&module, "TEnvLike"));
    EXPECT_TRUE(ComponentInheritsFrom(&module, "TComponent"));
    UnregisterRootComponent(form.get());
  }
  EXPECT_EQ(DataModuleCount(), before);
  EXPECT_EQ(FormCount(), 0);
  EXPECT_THROW(Forms(0), EListError);
}

TEST(DataModule, OnDestroyFiresOnceBeforeTheDerivedPartGoes) {
  int fired = 0;
  struct TModule : TDataModule {
    std::unique_ptr<int> member = std::make_unique<int>(5);
    int seen = 0;
    int* fired;
    explicit TModule(int* f) : TDataModule(nullptr), fired(f) {
      OnDestroy = [this](TObject*) {
        ++*fired;
        seen = *member;  // the member still exists
      };
    }
    ~TModule() override { DoDestroy(); }
  };
  { TModule m(&fired); }
  EXPECT_EQ(fired, 1);
}

// Without an application object a failing handler is shown in an error box
// named after the program; an installed handler takes the report instead.
TEST(DataModule, HandlerFailuresGoToTheInstalledReporterOrAnErrorBox) {
  std::vector<std::string> boxes;
  sys::SetMessageBoxSink([&](const std::string& caption, const std::string& text, int kind, int, int) {
    boxes.push_back(caption + "|" + text + "|" + std::to_string(kind));
    return sys::mbOK;
  });
  auto failing = [](TNotifyEvent handler) {
    TDataModule m(nullptr);
    m.OnCreate = std::move(handler);
    m.DoCreate();
  };
  failing([](TObject*) { throw Exception("no table"); });
  failing([](TObject*) { Abort(); });
  failing([](TObject*) { throw std::runtime_error("plain"); });
  EXPECT_EQ(boxes, (std::vector<std::string>{"class_component|no table.|0", "class_component|plain.|0"}));

  static std::vector<String> reported;
  reported.clear();
  TComponentExceptionHandler previous = SetComponentExceptionHandler([](TObject* sender) {
    ReportCurrentException([&](const Exception& e) { reported.push_back(sender->ClassName() + ": " + e.Message()); });
  });
  failing([](TObject*) { throw Exception("late"); });
  EXPECT_EQ(SetComponentExceptionHandler(previous) != nullptr, true);
  sys::SetMessageBoxSink(nullptr);
  EXPECT_EQ(reported, (std::vector<String>{"TDataModule: late"}));
  EXPECT_EQ(boxes.size(), 2u);
}

}  // namespace
