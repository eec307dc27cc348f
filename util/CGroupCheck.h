#pragma once

#include "platform/AfxExport.h"
#include "platform/CButton.h"

// A check box that titles a group box: it takes the place of the group box's caption, and its
// check state enables or disables (and, if asked, shows or hides) every control that lies over
// the group box. The host subclasses a check box of its dialog as a CGroupCheck and names the
// group box once with SetGroupbox; from then on clicks and SetCheck keep the group in step.
// Until a group box is named (or when the id names no group box child) it does nothing of its own.
class AFX_EXT_CLASS CGroupCheck : public CButton {
 public:
  CGroupCheck();
  ~CGroupCheck() override;

  // The group box is the parent's child with control id `nID`, a "BUTTON" window of the
  // BS_GROUPBOX style whatever object is attached to it; nothing when there is no such child.
  void SetGroupbox(unsigned int nID, int bHideControls);
  // Clears the group box's caption, places this button on the group box's top edge 10 pixels
  // in from its left and right after it in the sibling order, sized to its caption plus 25
  // pixels, then applies the check state to the group. Nothing for a null group box.
  void SetGroupbox(CButton* pGroupbox, int bHideControls);
  // Sets the check state, then applies it to the group.
  void SetCheck(int nCheck);

 protected:
  // The reflected click: applies the new state to the group and returns 0, so that the parent
  // gets the notification too.
  int OnClicked();
  // Every other child of the parent whose rectangle overlaps the group box is enabled only when
  // checked (state 1); with m_bHideControls, it and the group box are hidden only when unchecked.
  void CheckGroupboxControls();

  CButton* m_pGroupbox;
  int m_bHideControls;

  DECLARE_MESSAGE_MAP()
};
