#pragma once
// The page control: a tab control whose tabs stand for child pages
// (TVkTabSheet). It keeps the pages in order, makes the tab data from the
// pages whose tab is visible, shows exactly one page (the active page) and
// moves the focus with it. Page switching happens inside the change test,
// so OnChange fires with the new page already active.
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

private:
  friend class TVkTabSheet;
  void ChangeActivePage(TVkTabSheet* Page);
  TVkTabSheet* PageOfTab(int TabIndex) const;
  std::vector<TVkTabSheet*> pages_;  // not owned
  TVkTabSheet* activePage_ = nullptr;
  TVkTabSheet* activePageDefault_ = nullptr;
  bool saveResources_ = false;
  bool dblClickUndocks_ = true;
  bool loading_ = false;
};

// Registers the page control and the tab sheet with resource streaming.
void RegisterTabControlClasses();
