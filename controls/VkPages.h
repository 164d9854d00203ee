#pragma once
// The page control: a tab control whose tabs stand for child pages
// (TVkTabSheet). It keeps the pages in order, makes the tab data from the
// pages whose tab is visible, shows exactly one page (the active page) and
// moves the focus with it. Page switching happens inside the change test,
// so OnChange fires with the new page already active.
//
// With DockSite set, a control docked into the page control gets a page of
// its own (owned by the page control) whose tab follows the control's text
// and visibility; the page goes when the control leaves or is freed.
// Pressing the left button on such a tab starts dragging the control, a
// double click floats it (DblClickUndocks).
#include <vector>

#include "controls/VkTabs.h"

class TVkPageControl;

class TVkTabSheet : public TCustomControl {
public:
  explicit TVkTabSheet(TComponent* AOwner);
  ~TVkTabSheet() override;
  String ClassName() const override { return "TVkTabSheet"; }

  TColor Color() const { return TCustomControl::Color(); }
  // A colour other than the page control's turns its coloured tabs on.
  virtual void SetColor(TColor Value);
  int DisabledIndex() const { return disabledIndex_; }
  virtual void SetDisabledIndex(int Value);
  int ImageIndex() const { return imageIndex_; }
  virtual void SetImageIndex(int Value);
  TVkPageControl* PageControl() const { return pageControl_; }
  virtual void SetPageControl(TVkPageControl* Value);
  virtual int PageIndex() const;
  // EVkTabControlError outside 0..PageCount-1.
  virtual void SetPageIndex(int Value);
  bool TabEnabled() const { return tabEnabled_; }
  virtual void SetTabEnabled(bool Value);
  bool TabVisible() const { return tabVisible_; }
  virtual void SetTabVisible(bool Value);
  // The page's index among the tabs, -1 when its tab is hidden.
  virtual int VisibleTabIndex() const;
  // Pages are shown and hidden by their page control only: this raises.
  void SetVisible(bool Value) override;

  TVkPaintBackgroundEvent OnPaintBackground;
  TNotifyEvent OnHide;
  TNotifyEvent OnShow;

  void SetParentComponent(TComponent* Value) override;

protected:
  void AssignTo(TPersistent* Dest) override;
  void SetWindowParams(TCreateParams& Params) override;
  void PaintControl() override;
  void WMEraseBkgnd(TMessage& Message) override { Message.Result = 1; }
  void CMTextChanged(TMessage& Message) override;
  void CMShowingChanged(TMessage& Message) override;
  virtual void NotifyHide();
  virtual void NotifyShow();

private:
  friend class TVkPageControl;
  void ShowPage(bool Value) { TCustomControl::SetVisible(Value); }
  void ReleaseWindow() { DestroyHandle(); }
  void Rebuild();
  TVkPageControl* pageControl_ = nullptr;
  // The control docked on this page, while it is docked (not owned).
  TControl* dockClient_ = nullptr;
  int disabledIndex_ = -1;
  int imageIndex_ = -1;
  bool tabEnabled_ = true;
  bool tabVisible_ = true;
};

class TVkPageControl : public TVkCustomTabControl {
public:
  explicit TVkPageControl(TComponent* AOwner);
  ~TVkPageControl() override;
  String ClassName() const override { return "TVkPageControl"; }

  virtual TVkTabSheet* Pages(int Index) const;
  virtual int PageCount() const { return static_cast<int>(pages_.size()); }
  TVkTabSheet* ActivePage() const { return activePage_; }
  virtual void SetActivePage(TVkTabSheet* Page);
  virtual int ActivePageIndex() const;
  // Outside 0..PageCount-1 the selection is cleared.
  virtual void SetActivePageIndex(int Index);
  TVkTabSheet* ActivePageDefault() const { return activePageDefault_; }
  void SetActivePageDefault(TVkTabSheet* Value);
  bool SaveResources() const { return saveResources_; }
  virtual void SetSaveResources(bool Value);
  bool DblClickUndocks() const { return dblClickUndocks_; }
  void SetDblClickUndocks(bool Value) { dblClickUndocks_ = Value; }

  void InsertPage(TVkTabSheet* Page);
  void RemovePage(TVkTabSheet* Page);
  // The next page from the active one whose tab is visible becomes active.
  void SelectNextPage(bool GoForward);
  TVkTabSheet* FindNextPage(TVkTabSheet* CurPage, bool GoForward, bool CheckTabVisible) const;

  void SetUseColoredTabs(bool Value) override;
  void RebuildTabData() override;
  void FinishLoading() override;
  void ComponentNotification(TComponent* AComponent, TOperation Operation) override;
  // A control docked on one of the pages cannot be docked here again.
  void GetSiteInfo(TControl* Client, TRect& InfluenceRect, TPoint MousePos, bool& CanDock) override;
  // The control would take the whole page control (its window rectangle).
  void HandleDockOver(TDragDockObject* Source, int X, int Y, TDragState State, bool& Accept) override;

  using TVkCustomTabControl::CloseActivePage;
  using TVkCustomTabControl::MoveActivePage;
  using TVkCustomTabControl::HideAllTabs;
  using TVkCustomTabControl::ShowAllTabs;

protected:
  void DoChanging(int NewIndex, bool& AllowChange) override;
  void DoPaintCardBackground(TCanvas* ACanvas, int ARow, const TRect& ARect, bool& Handled) override;
  void CloseActivePage() override;
  // NewIndex is a tab index (the drop target of a tab drag).
  void MoveActivePage(int NewIndex) override;
  void DoChange() override;
  void DoPageChange() override;
  void HideAllTabs() override;
  void ShowAllTabs() override;
  void SetWindowParams(TCreateParams& Params) override;
  void CMColorChanged(TMessage& Message) override;
  void CMDialogKey(TMessage& Message) override;
  void WMSetFocus(TMessage& Message) override;
  // Docking: the new page made for a docked control, and the page of a
  // control that leaves.
  void AddDockedClient(TControl* Client) override;
  void RemoveDockedClient(TControl* Client) override;
  void CMDockClient(TMessage& Message) override;
  void CMUnDockClient(TMessage& Message) override;
  void CMDockNotification(TMessage& Message) override;
  // On the tab of a docked control: dragging it starts, a double click floats it.
  void WMLButtonDown(TMessage& Message) override;
  void WMLButtonDblClk(TMessage& Message) override;

private:
  friend class TVkTabSheet;
  void ChangeActivePage(TVkTabSheet* Page);
  TVkTabSheet* PageOfTab(int TabIndex) const;
  // The page a control is docked on, nullptr when it is docked on none.
  TVkTabSheet* PageOfDockClient(TControl* Client) const;
  // The docked control whose page has the tab at a client point, or nullptr.
  TControl* DockClientAt(const TMessage& Message);
  // Frees a dock page; Client, when it still sits on the page, is taken off
  // first so that it does not go with the page.
  static void FreeDockPage(TVkTabSheet* Page, TControl* Client);
  std::vector<TVkTabSheet*> pages_;  // not owned
  TVkTabSheet* newDockPage_ = nullptr;  // only while CM_DOCKCLIENT runs
  TVkTabSheet* activePage_ = nullptr;
  TVkTabSheet* activePageDefault_ = nullptr;
  bool saveResources_ = false;
  bool dblClickUndocks_ = true;
  bool loading_ = false;
};

// Registers the page control and the tab sheet with resource streaming.
void RegisterTabControlClasses();
