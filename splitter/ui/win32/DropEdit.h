// The main window's source and target fields, which take a dropped path.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include "splitter/ui/SplitterModel.h"

namespace portelan {

inline constexpr UINT WM_DROPPED_PATH = WM_APP + 2;

// A read-only edit that takes a file or folder dropped from the shell and
// reports it to its owner with WM_DROPPED_PATH (wParam: the field, lParam:
// the path as a const std::string*).
class CDropEdit {
  public:
    void Attach(HWND edit, HWND owner, Input field);

  private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnDropFiles(HDROP drop) const;

    Input m_field = Input::Source;
    HWND m_pOwner = nullptr;
    WNDPROC m_pDefault = nullptr;
};

} // namespace portelan
