#pragma once
// Lines of text rolling across the control, as closing credits do, timed by a worker thread.
// The text is laid out once in a child static label; a step only moves that label.
#include "about/ScrollThread.h"
#include "framework/WinControl.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum class TDirection : std::uint8_t { drFromLeft, drFromRight, drFromTop, drFromBottom };
using enum TDirection;
enum class TSpeedMode { smSteady, smSlowing, smSpeeding };
using enum TSpeedMode;

class TScrollLabel;

class TScrollText : public TWinControl {
public:
    explicit TScrollText(TComponent* owner);
    ~TScrollText() override;

    // The label keeps the control's width and at least its height; no new layout here.
    void SetBounds(int left, int top, int width, int height) override;

    TAlignment TextAlignment() const;
    void SetTextAlignment(TAlignment alignment);
    // Writing into the list directly (as a stored design does) leaves the label as it was
    // until the next activation; SetItems also lays the text out again.
    std::vector<std::wstring>& Items() { return FItems; }
    void SetItems(const std::vector<std::wstring>& items);
    bool Active() const { return FActive; }
    void SetActive(bool active);
    std::uint32_t Delay() const { return FDelay; }
    void SetDelay(std::uint32_t milliseconds);
    std::int32_t ScrollPixels() const { return FScrollPixels; }
    void SetScrollPixels(std::int32_t pixels) { FScrollPixels = pixels; }
    TDirection ScrollDirection() const { return FScrollDirection; }
    void SetScrollDirection(TDirection direction);
    TColor BackgroundColor() const;
    void SetBackgroundColor(TColor color);
    // The label's own font object: changing it lays the text out again.
    TFont* Font() const;
    void SetFont(const TFont& font);
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool parentShowHint) { FParentShowHint = parentShowHint; }

    // Slows the text down pixel by pixel, then deactivates the control.
    void Pause();
    // Activates the control and speeds the text up from standstill.
    void Unpause();
    // Puts the text at its restart point, so it comes in afresh from its entry edge.
    void Reset();
    // One step of motion; the worker has it run on this thread.
    void ScrollStep();

    TWinControl* TextLabel() const;
    std::int32_t TextOffset() const { return FTextOffset; }
    TSpeedMode SpeedMode() const { return FSpeedMode; }
    std::int32_t CurrentSpeed() const { return FCurrentSpeed; }
    bool Dragging() const { return FDragging; }
    TScrollThread& Thread() { return *FThread; }
    // Lines of the label, estimated on the screen's device context.
    void UpdateTextHeight();
    // The tooltip delay that keeps tooltips faster than the given step delay.
    static int HintPauseFor(std::uint32_t delay, int savedHintPause);

private:
    friend class TScrollLabel;
    void LabelFontChanged();
    bool Vertical() const { return FScrollDirection == drFromTop || FScrollDirection == drFromBottom; }
    void ApplyOffset();
    int AxisCoordinate(int x, int y) const;
    void DragStart(int x, int y);
    void DragMove(int x, int y);
    void DragEnd();

    TScrollLabel* FTextLabel;
    std::vector<std::wstring> FItems;
    bool FActive = false;
    std::uint32_t FDelay = 50;
    std::int32_t FScrollPixels = 1;
    TDirection FScrollDirection = drFromBottom;
    bool FParentShowHint = true;
    std::int32_t FTextOffset = 0;
    TSpeedMode FSpeedMode = smSteady;
    std::int32_t FCurrentSpeed = 0;
    bool FDragging = false;
    std::int32_t FDragAnchor = 0;
    int FSavedHintPause = 500;
    std::unique_ptr<TScrollThread> FThread;
};
