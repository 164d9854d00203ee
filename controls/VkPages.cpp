#include "controls/VkPages.h"

#include <algorithm>

#include "class_library/loop/Application.h"
#include "class_library/core/SysUtils.h"
#include "class_library/visual/Docking.h"
#include "class_library/visual/Forms.h"

// ---- Tab sheet ------------------------------------------------------------------------------

TVkTabSheet::TVkTabSheet(TComponent* AOwner) : TCustomControl(AOwner) {
  TCustomControl::SetVisible(false);
  controlStyle_ |= csAcceptsControls | csOpaque | csNoDesignVisible;
  SetAlign(alClient);
  TCustomControl::SetColor(clBtnFace);
}

TVkTabSheet::~TVkTabSheet() {
  if (pageControl_) pageControl_->RemovePage(this);
}

void TVkTabSheet::SetVisible(bool Value) {
  (void)Value;
  throw EVkTabControlError("You cannot change the Visible property of a page");
}

void TVkTabSheet::Rebuild() {
  if (pageControl_) pageControl_->RebuildTabData();
}

void TVkTabSheet::SetColor(TColor Value) {
  if (Value == Color()) return;
  if (pageControl_ && !pageControl_->UseColoredTabs() && Value != pageControl_->Color())
    pageControl_->SetUseColoredTabs(true);
  TCustomControl::SetColor(Value);
  Rebuild();
}

void TVkTabSheet::SetDisabledIndex(int Value) {
  if (Value == disabledIndex_) return;
  disabledIndex_ = Value;
  Rebuild();
}

void TVkTabSheet::SetImageIndex(int Value) {
  if (Value == imageIndex_) return;
  imageIndex_ = Value;
  Rebuild();
}

void TVkTabSheet::SetTabEnabled(bool Value) {
  if (Value == tabEnabled_) return;
  tabEnabled_ = Value;
  Rebuild();
}

void TVkTabSheet::SetTabVisible(bool Value) {
  if (Value == tabVisible_) return;
  tabVisible_ = Value;
  Rebuild();
}

void TVkTabSheet::CMTextChanged(TMessage& Message) {
  TCustomControl::CMTextChanged(Message);
  Rebuild();
}

void TVkTabSheet::SetPageControl(TVkPageControl* Value) {
  if (Value == pageControl_) return;
  if (pageControl_) pageControl_->RemovePage(this);
  SetParent(Value);
  if (Value) Value->InsertPage(this);
}

int TVkTabSheet::PageIndex() const {
  if (!pageControl_) return -1;
  auto& pages = pageControl_->pages_;
  auto it = std::find(pages.begin(), pages.end(), this);
  return it == pages.end() ? -1 : static_cast<int>(it - pages.begin());
}

void TVkTabSheet::SetPageIndex(int Value) {
  if (!pageControl_) return;
  int count = pageControl_->PageCount();
  if (Value < 0 || Value >= count)
    throw EVkTabControlError(
        Format("%d is an invalid PageIndex value. PageIndex must be between 0 and %d", {Value, count - 1}));
  int old = PageIndex();
  auto& pages = pageControl_->pages_;
  pages.erase(pages.begin() + old);
  pages.insert(pages.begin() + Value, this);
  pageControl_->RebuildTabData();
  pageControl_->DoTabOrderChange(old, Value);
}

int TVkTabSheet::VisibleTabIndex() const {
  if (!tabVisible_ || !pageControl_) return -1;
  int index = 0;
  for (TVkTabSheet* page : pageControl_->pages_) {
    if (page == this) return index;
    if (page->tabVisible_) ++index;
  }
  return -1;
}

void TVkTabSheet::AssignTo(TPersistent* Dest) {
  auto* data = dynamic_cast<TVkTabData*>(Dest);
  if (!data) {
    TCustomControl::AssignTo(Dest);
    return;
  }
  data->Caption = const_cast<TVkTabSheet*>(this)->Caption();
  data->Color = Color();
  data->Enabled = tabEnabled_;
  data->Visible = tabVisible_;
  data->Hint = Hint();
  data->ImageIndex = imageIndex_;
  data->DisabledIndex = disabledIndex_;
}

void TVkTabSheet::SetParentComponent(TComponent* Value) {
  if (auto* pages = dynamic_cast<TVkPageControl*>(Value)) {
    SetPageControl(pages);
    return;
  }
  TCustomControl::SetParentComponent(Value);
}

void TVkTabSheet::SetWindowParams(TCreateParams& Params) {
  TCustomControl::SetWindowParams(Params);
  Params.ClassStyle &= ~(gui::CS_HREDRAW | gui::CS_VREDRAW);
}

void TVkTabSheet::PaintControl() {
  TRect r{0, 0, Width(), Height()};
  bool handled = false;
  if (OnPaintBackground) OnPaintBackground(this, Canvas(), r, handled);
  if (handled) return;
  Canvas()->Brush()->SetStyle(bsSolid);
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(r);
}

void TVkTabSheet::CMShowingChanged(TMessage& Message) {
  TCustomControl::CMShowingChanged(Message);
  try {
    if (Showing())
      NotifyShow();
    else
      NotifyHide();
  } catch (...) {
    Application()->HandleException(this);
  }
}

void TVkTabSheet::NotifyHide() {
  if (OnHide) OnHide(this);
}

void TVkTabSheet::NotifyShow() {
  if (OnShow) OnShow(this);
}

// ---- Page control ---------------------------------------------------------------------------

TVkPageControl::TVkPageControl(TComponent* AOwner) : TVkCustomTabControl(AOwner) {
  RegisterTabControlClasses();
  controlStyle_ = (controlStyle_ & ~unsigned(csAcceptsControls)) | csOpaque;
  SetHeight(150);
  SetUseColoredTabs(false);
}

TVkPageControl::~TVkPageControl() {
  Destroying();
  // The pages are child windows and go with this control; they must not
  // reach back into it on their way.
  for (TVkTabSheet* page : pages_) page->pageControl_ = nullptr;
  pages_.clear();
  activePage_ = nullptr;
}

void TVkPageControl::SetWindowParams(TCreateParams& Params) {
  TVkCustomTabControl::SetWindowParams(Params);
  Params.Style |= gui::WS_CLIPCHILDREN;
}

TVkTabSheet* TVkPageControl::Pages(int Index) const {
  if (Index < 0 || Index >= PageCount()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return pages_[static_cast<std::size_t>(Index)];
}

int TVkPageControl::ActivePageIndex() const { return activePage_ ? activePage_->PageIndex() : -1; }

void TVkPageControl::SetActivePageIndex(int Index) {
  if (Index < 0 || Index >= PageCount()) {
    SetTabIndex(-1);
    return;
  }
  SetActivePage(Pages(Index));
}

void TVkPageControl::SetActivePageDefault(TVkTabSheet* Value) {
  if (activePageDefault_ == Value) return;
  if (activePageDefault_) activePageDefault_->RemoveFreeNotification(this);
  activePageDefault_ = Value;
  if (Value) Value->FreeNotification(this);
}

void TVkPageControl::InsertPage(TVkTabSheet* Page) {
  pages_.push_back(Page);
  Page->pageControl_ = this;
  RebuildTabData();
}

void TVkPageControl::RemovePage(TVkTabSheet* Page) {
  Page->dockClient_ = nullptr;  // no longer one of this control's dock pages
  if (Page == activePage_) SetActivePage(nullptr);
  auto it = std::find(pages_.begin(), pages_.end(), Page);
  if (it != pages_.end()) pages_.erase(it);
  RebuildTabData();
  Page->pageControl_ = nullptr;
  if (Page == activePageDefault_) SetActivePageDefault(nullptr);
}

TVkTabSheet* TVkPageControl::PageOfTab(int TabIndex) const {
  if (TabIndex < 0) return nullptr;
  for (TVkTabSheet* page : pages_)
    if (page->VisibleTabIndex() == TabIndex) return page;
  return nullptr;
}

void TVkPageControl::SetActivePage(TVkTabSheet* Page) {
  if (Page && Page->PageControl() != this) return;
  if (Loading()) {
    if (Page) Page->ShowPage(true);
    activePage_ = Page;
    return;
  }
  int v = Page ? Page->VisibleTabIndex() : -1;
  if (v < 0) {
    ChangeActivePage(Page);
    DoPageChange();
  } else if (v == TabIndex() && Page != activePage_) {
    // The tab is selected already (the pages were out of step): no change test.
    ChangeActivePage(Page);
    DoPageChange();
  }
  SetTabIndex(v);
}

void TVkPageControl::ChangeActivePage(TVkTabSheet* Page) {
  if (Page == activePage_) return;
  TCustomForm* form = GetParentForm(this);
  TVkTabSheet* old = activePage_;
  bool oldGoing = old && old->ComponentState().Contains(csDestroying);
  if (form && old && form->ActiveControl() && old->ContainsControl(form->ActiveControl())) {
    // The focus leaves the old page's controls (a page on its way out hands
    // it to the page control instead of keeping it itself).
    TWinControl* keeper = oldGoing ? static_cast<TWinControl*>(this) : old;
    form->SetActiveControl(keeper->CanFocus() ? keeper : nullptr);
  }
  if (Page) {
    Page->BringToFront();
    Page->ShowPage(true);
    if (form && old && form->ActiveControl() == old)
      form->SetActiveControl(Page->CanFocus() ? static_cast<TWinControl*>(Page)
                                              : (CanFocus() ? static_cast<TWinControl*>(this) : nullptr));
  }
  if (old) {
    old->ShowPage(false);
    if (saveResources_ && !oldGoing && old->HandleAllocated()) old->ReleaseWindow();
  }
  activePage_ = Page;
  if (Page && form && form->ActiveControl() == Page) {
    TWinControl* first = Page->FindNextControl(nullptr, true, true, false);
    if (first && first->CanFocus()) form->SetActiveControl(first);
  }
}

void TVkPageControl::DoChanging(int NewIndex, bool& AllowChange) {
  if (!loading_) TVkCustomTabControl::DoChanging(NewIndex, AllowChange);
  if (AllowChange) ChangeActivePage(PageOfTab(NewIndex));
}

void TVkPageControl::DoChange() {
  if (!loading_) TVkCustomTabControl::DoChange();
}

void TVkPageControl::DoPageChange() {
  if (!loading_) TVkCustomTabControl::DoPageChange();
}

void TVkPageControl::RebuildTabData() {
  TVkTabDataList* data = TabData();
  data->Clear();
  for (TVkTabSheet* page : pages_) {
    if (!page->TabVisible()) continue;
    auto tab = std::make_unique<TVkTabData>();
    tab->Assign(page);
    data->Add(std::move(tab));
  }
  // The selection follows the active page's tab; renumbering it is not a
  // change of page, so the change test is not asked.
  int wanted = TabIndex();
  if (activePage_)
    wanted = activePage_->TabVisible() ? activePage_->VisibleTabIndex() : -1;
  else if (wanted >= data->Count())
    wanted = -1;
  if (wanted != TabIndex()) {
    bool saved = noChangingTest_;
    noChangingTest_ = true;
    try {
      SetTabIndex(wanted);
    } catch (...) {
      noChangingTest_ = saved;
      throw;
    }
    noChangingTest_ = saved;
  }
  TVkCustomTabControl::RebuildTabData();
}

void TVkPageControl::CloseActivePage() {
  if (!activePage_) return;
  int index = TabIndex();
  delete activePage_;  // its destruction takes it out of this control
  SetTabIndex(index > 0 ? index - 1 : 0);
}

void TVkPageControl::MoveActivePage(int NewIndex) {
  TVkTabSheet* target = PageOfTab(NewIndex);
  if (activePage_ && target) activePage_->SetPageIndex(target->PageIndex());
}

void TVkPageControl::HideAllTabs() {
  for (TVkTabSheet* page : std::vector<TVkTabSheet*>(pages_)) page->SetTabVisible(false);
}

void TVkPageControl::ShowAllTabs() {
  for (TVkTabSheet* page : std::vector<TVkTabSheet*>(pages_)) page->SetTabVisible(true);
}

TVkTabSheet* TVkPageControl::FindNextPage(TVkTabSheet* CurPage, bool GoForward, bool CheckTabVisible) const {
  int count = PageCount();
  if (count == 0) return nullptr;
  auto it = std::find(pages_.begin(), pages_.end(), CurPage);
  int start = it != pages_.end() ? static_cast<int>(it - pages_.begin()) : (GoForward ? count - 1 : 0);
  int i = start;
  do {
    i = GoForward ? (i + 1) % count : (i + count - 1) % count;
    TVkTabSheet* page = pages_[static_cast<std::size_t>(i)];
    if (!CheckTabVisible || page->TabVisible()) return page;
  } while (i != start);
  return nullptr;
}

void TVkPageControl::SelectNextPage(bool GoForward) {
  TVkTabSheet* page = FindNextPage(activePage_, GoForward, true);
  if (page && page != activePage_) SetActivePage(page);
}

void TVkPageControl::DoPaintCardBackground(TCanvas* ACanvas, int ARow, const TRect& ARect, bool& Handled) {
  TVkCustomTabControl::DoPaintCardBackground(ACanvas, ARow, ARect, Handled);
  if (Handled || ARow != 0 || TabIndex() < 0 || !activePage_) return;
  ACanvas->Brush()->SetStyle(bsSolid);
  ACanvas->Brush()->SetColor(activePage_->Color());
  ACanvas->FillRect(ARect);
  Handled = true;
}

void TVkPageControl::CMColorChanged(TMessage& Message) {
  if (!UseColoredTabs())
    for (TVkTabSheet* page : std::vector<TVkTabSheet*>(pages_)) page->SetColor(Color());
  TVkCustomTabControl::CMColorChanged(Message);
}

void TVkPageControl::SetUseColoredTabs(bool Value) {
  bool changed = Value != UseColoredTabs();
  TVkCustomTabControl::SetUseColoredTabs(Value);
  if (changed && Parent() && !UseColoredTabs()) Perform(CM_COLORCHANGED);
}

void TVkPageControl::SetSaveResources(bool Value) {
  if (Value == saveResources_) return;
  saveResources_ = Value;
  if (!Value || Loading()) return;
  for (TVkTabSheet* page : pages_)
    if (page != activePage_ && page->HandleAllocated()) page->ReleaseWindow();
}

void TVkPageControl::ComponentNotification(TComponent* AComponent, TOperation Operation) {
  TVkCustomTabControl::ComponentNotification(AComponent, Operation);
  if (Operation == opRemove && AComponent == activePageDefault_) activePageDefault_ = nullptr;
}

void TVkPageControl::CMDialogKey(TMessage& Message) {
  TVkCustomTabControl::CMDialogKey(Message);
  if (Message.Result != 0) return;
  TCustomForm* form = GetParentForm(this);
  if (!form || !form->ActiveControl() || !ContainsControl(form->ActiveControl())) return;
  if (Message.WParam != gui::VK_TAB || gui::GetKeyState(static_cast<int>(gui::VK_CONTROL)) >= 0) return;
  SelectNextPage(gui::GetKeyState(static_cast<int>(gui::VK_SHIFT)) >= 0);
  Message.Result = 1;
}

void TVkPageControl::WMSetFocus(TMessage& Message) {
  TVkCustomTabControl::WMSetFocus(Message);
  if (!activePage_ || activePage_->TabVisible()) return;
  for (int i = 0; i < activePage_->ControlCount(); ++i) {
    auto* child = dynamic_cast<TWinControl*>(activePage_->Controls(i));
    if (child && child->CanFocus()) {
      child->SetFocus();
      return;
    }
  }
}

void TVkPageControl::FinishLoading() {
  // Pages attached while reading; the events stay silent until the
  // streamed or default page is active again.
  loading_ = true;
  try {
    TVkCustomTabControl::FinishLoading();
    CalcTabRects();
    SetTabIndex(-1);
    TVkTabSheet* page = activePage_;
    if (activePageDefault_ && activePageDefault_ != page) {
      if (page) page->ShowPage(false);
      page = activePageDefault_;
    }
    activePage_ = nullptr;
    RebuildTabData();
    SetActivePage(page);
  } catch (...) {
    loading_ = false;
    throw;
  }
  loading_ = false;
}

// ---- Docking --------------------------------------------------------------------------------

TVkTabSheet* TVkPageControl::PageOfDockClient(TControl* Client) const {
  if (!Client) return nullptr;
  for (TVkTabSheet* page : pages_)
    if (page->dockClient_ == Client) return page;
  return nullptr;
}

void TVkPageControl::FreeDockPage(TVkTabSheet* Page, TControl* Client) {
  Page->dockClient_ = nullptr;
  if (Client && Client->Parent() == Page) Page->RemoveControl(Client);
  delete Page;
}

void TVkPageControl::CMDockClient(TMessage& Message) {
  Message.Result = 0;
  auto* rec = reinterpret_cast<TDockClientRec*>(Message.LParam);
  if (!rec || !rec->DockSource || !rec->DockSource->Control) return;
  TDragDockObject* source = rec->DockSource;
  TControl* client = source->Control;
  // Docked on a page here already: it keeps its page rather than gaining an empty one.
  if (PageOfDockClient(client)) return;
  auto* page = new TVkTabSheet(this);
  newDockPage_ = page;
  try {
    if (auto* form = dynamic_cast<TCustomForm*>(client)) page->SetCaption(form->Caption());
    page->SetPageControl(this);
    TPoint origin = ClientToScreen(TPoint{0, 0});
    TRect r = source->DockRect;
    gui::OffsetRect(r, -origin.X, -origin.Y);
    client->Dock(this, r);  // AddDockedClient puts it on the new page
    // One left docked here without a page by a failure gets no AddDockedClient
    // from Dock again.
    if (client->HostDockSite() == this && page->dockClient_ != client) AddDockedClient(client);
  } catch (...) {
    newDockPage_ = nullptr;
    FreeDockPage(page, client);
    throw;
  }
  newDockPage_ = nullptr;
  bool visible = client->Visible();
  page->SetTabVisible(visible);
  if (visible) SetActivePage(page);
  client->SetAlign(alClient);
  HandleDockDrop(source, rec->MousePos.X, rec->MousePos.Y);
}

void TVkPageControl::AddDockedClient(TControl* Client) {
  if (!newDockPage_) return;
  Client->SetParent(newDockPage_);
  newDockPage_->dockClient_ = Client;
}

void TVkPageControl::CMUnDockClient(TMessage& Message) {
  Message.Result = 0;
  auto* rec = reinterpret_cast<TUnDockClientRec*>(Message.LParam);
  if (rec && PageOfDockClient(rec->Client)) rec->Client->SetAlign(alNone);
}

// Runs when the control has left the site (moved elsewhere, floated or
// freed); its page goes. The control is taken off the page before the page is
// freed: it is still on its way to its new place (or being freed itself).
void TVkPageControl::RemoveDockedClient(TControl* Client) {
  TVkCustomTabControl::RemoveDockedClient(Client);
  TVkTabSheet* page = PageOfDockClient(Client);
  if (!page || ComponentState().Contains(csDestroying)) return;
  page->dockClient_ = nullptr;
  if (Client->Parent() == page) page->RemoveControl(Client);
  try {
    SelectNextPage(true);
  } catch (...) {
    delete page;
    throw;
  }
  delete page;
}

void TVkPageControl::CMDockNotification(TMessage& Message) {
  auto* client = reinterpret_cast<TControl*>(Message.WParam);
  auto* rec = reinterpret_cast<TDockNotifyRec*>(Message.LParam);
  if (TVkTabSheet* page = rec ? PageOfDockClient(client) : nullptr) {
    if (rec->ClientMsg == gui::WM_SETTEXT) {
      String text = rec->MsgLParam ? reinterpret_cast<const char*>(rec->MsgLParam) : "";
      page->SetCaption(text.substr(0, text.find_first_of("\r\n")));
    } else if (rec->ClientMsg == CM_VISIBLECHANGED) {
      page->SetTabVisible(rec->MsgWParam != 0);
    }
  }
  TVkCustomTabControl::CMDockNotification(Message);
}

void TVkPageControl::GetSiteInfo(TControl* Client, TRect& InfluenceRect, TPoint MousePos, bool& CanDock) {
  TVkCustomTabControl::GetSiteInfo(Client, InfluenceRect, MousePos, CanDock);
  if (PageOfDockClient(Client)) CanDock = false;
}

void TVkPageControl::HandleDockOver(TDragDockObject* Source, int X, int Y, TDragState State, bool& Accept) {
  gui::GetWindowRect(Handle(), Source->DockRect);
  NotifyDockOver(Source, X, Y, State, Accept);
}

TControl* TVkPageControl::DockClientAt(const TMessage& Message) {
  TVkTabSheet* page = PageOfTab(TabAtPoint(MessageX(Message), MessageY(Message)));
  if (!page || page->ControlCount() == 0) return nullptr;
  TControl* client = page->Controls(0);
  return client->HostDockSite() == this ? client : nullptr;
}

void TVkPageControl::WMLButtonDown(TMessage& Message) {
  TVkCustomTabControl::WMLButtonDown(Message);
  if (TControl* client = DockClientAt(Message)) client->BeginDrag(false, -1);
}

void TVkPageControl::WMLButtonDblClk(TMessage& Message) {
  TVkCustomTabControl::WMLButtonDblClk(Message);
  if (!dblClickUndocks_) return;
  if (TControl* client = DockClientAt(Message)) client->ManualDock(nullptr, nullptr, alNone);
}
