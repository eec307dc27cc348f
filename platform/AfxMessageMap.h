#pragma once

// MFC's message map, for the command notifications a control sends its parent (WM_COMMAND) and
// their reflection back to the control. A class declares DECLARE_MESSAGE_MAP() and defines
//
//   BEGIN_MESSAGE_MAP(CMyDialog, CWnd)
//     ON_BN_CLICKED(IDC_START, OnStart)             // void OnStart(), in the parent
//     ON_CONTROL_REFLECT_EX(BN_CLICKED, OnClicked)  // BOOL OnClicked(), in the control
//   END_MESSAGE_MAP()
//
// A reflected handler of the _EX form decides with its result: nonzero keeps the notification
// from the parent, 0 lets the parent's own map handle it too. Lookup walks from the class's map
// to its base classes' maps; the first entry that matches wins.
#include "platform/windef.h"

class CWnd;

// Calls the entry's member function on `target` (an object of the map's class) and returns
// whether the message counts as handled.
typedef BOOL (*AFX_PMSG)(CWnd* target);

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;  // WM_COMMAND, or WM_REFLECT_BASE + WM_COMMAND for a reflected one
  UINT nCode;     // the notification code
  UINT nID;       // first and last control id; 0 and 0 for a reflected entry
  UINT nLastID;
  AFX_PMSG pfn;  // null ends the entries
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();  // null for the root class
  const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                     \
 protected:                                       \
  static const AFX_MSGMAP* GetThisMessageMap();   \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                           \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }      \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                      \
    using ThisClass [[maybe_unused]] = theClass;                                         \
    using TheBaseClass = baseClass;                                                      \
    static const AFX_MSGMAP_ENTRY messageEntries[] = {
#define END_MESSAGE_MAP()                                                                \
  {0, 0, 0, 0, nullptr}                                                                  \
  }                                                                                      \
  ;                                                                                      \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, messageEntries}; \
  return &messageMap;                                                                    \
  }

// A notification `code` from the control `id` to its parent; the handler is void().
#define ON_CONTROL(code, id, memberFxn)                                 \
  {WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(id), \
   [](CWnd* target) -> BOOL {                                         \
     static_cast<ThisClass*>(target)->memberFxn();                    \
     return TRUE;                                                     \
   }},
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)

// The control's own notification `code`, reflected back to it; the handler is BOOL().
#define ON_CONTROL_REFLECT_EX(code, memberFxn)                                       \
  {WM_REFLECT_BASE + WM_COMMAND, static_cast<UINT>(code), 0, 0,                      \
   [](CWnd* target) -> BOOL { return static_cast<ThisClass*>(target)->memberFxn(); }},
