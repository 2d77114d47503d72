#pragma once
// Scaling arithmetic for design values given at 96 pixels per inch; no windows involved.
#include <windows.h>

// The resolution every design value (position, size, font height in pixels) is written for.
constexpr int kDesignPixelsPerInch = 96;

// v * m / d rounded to the nearest integer, halves away from zero; v itself when d is 0.
int ScaleLength(int value, int m, int d);

// A box scaled by its edges, not its size: two boxes that touch or stay apart at one
// resolution still touch or stay apart at the other.
struct TBox {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool operator==(const TBox&) const = default;
};
TBox ScaleBox(const TBox& box, int m, int d);

// A font height (negative: character height, positive: cell height) scaled toward zero, so the
// text never grows faster than the boxes it is drawn in; 8 points at 96 (-11) gives -13 at 120,
// -16 at 144 and -22 at 192, as the system's own dialog fonts do.
int ScaleFontHeight(int height, int m, int d);

// Keeps repeated rescaling from drifting: a value that nobody changed since the last rescale is
// scaled again from the value it came from, so 144 -> 96 -> 144 gives back what it was.
template <class T> class TScaleSource {
public:
    template <class F> T Rescale(const T& current, int currentPPI, int newPPI, F scale) {
        if (!FValid || !(current == FLast) || currentPPI != FLastPPI) {
            FSource = current;
            FSourcePPI = currentPPI;
        }
        FLast = newPPI == FSourcePPI ? FSource : scale(FSource, newPPI, FSourcePPI);
        FLastPPI = newPPI;
        FValid = true;
        return FLast;
    }
    // The value really applied (a control may round or refuse a size): the next rescale must
    // see it as unchanged.
    void Applied(const T& value) { FLast = value; }

private:
    T FSource{}, FLast{};
    int FSourcePPI = kDesignPixelsPerInch, FLastPPI = kDesignPixelsPerInch;
    bool FValid = false;
};
