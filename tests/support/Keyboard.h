#pragma once
#include <windows.h>

#include <initializer_list>

// Presses the keys in order and releases them in reverse, as real input.
void SendChord(std::initializer_list<WORD> keys);
