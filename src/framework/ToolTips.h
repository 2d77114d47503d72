#pragma once
// Tooltips of windowed controls, all shown by one tooltip control of the process, created on
// first use with the application's delay and colour.
#include <windows.h>

#include <string>

// Shows `text` (lines separated by "\r\n") while the pointer rests on `tool`.
void SetToolTip(HWND tool, const std::wstring& text);
void RemoveToolTip(HWND tool);
// The text the tooltip control holds for `tool`; empty when it has none.
std::wstring ToolTipText(HWND tool);
