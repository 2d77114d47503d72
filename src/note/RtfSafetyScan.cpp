#include "note/RtfSafetyScan.h"

#include "note/RtfLexer.h"

#include <algorithm>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

class TRtfScanner {
public:
    // The text is never longer than the bytes: room for it at once spares copying it as it grows.
    explicit TRtfScanner(std::string_view bytes) : FLexer(bytes) { FText.reserve(bytes.size()); }

    void Run(TDocumentFigures& figures) {
        for (TRtfItem item = FLexer.Next(); item.Kind != TRtfToken::rtEnd; item = FLexer.Next()) {
            if (!CarriesTextBytes(item) && item.Kind != TRtfToken::rtBreak) Flush();
            const TRtfText text = FReading.Take(item);
            Measure(figures, item, text);
            if (!text.Shown) continue;
            if (!text.Bytes.empty()) {
                FPending += text.Bytes;
                FPendingPage = FReading.CodePage();
                if (FPending.size() >= kTextPart) FlushPart(text.Bytes);
            }
            if (text.Character) FText += text.Character;
        }
        Flush();
        figures.OpenAtEnd = static_cast<int>(FReading.Depth());
        figures.Text = std::move(FText);
        figures.HoldsText = VisibleCharacters(figures.Text) > 0;
    }

private:
    void Measure(TDocumentFigures& figures, const TRtfItem& item, const TRtfText& text) {
        switch (item.Kind) {
        case TRtfToken::rtOpen:
            figures.GroupDepth = std::max(figures.GroupDepth, static_cast<int>(FReading.Depth()));
            FRun = 0;
            break;
        case TRtfToken::rtClose:
            FRun = 0;
            break;
        case TRtfToken::rtWord:
            figures.ControlWordLength = std::max(figures.ControlWordLength, item.Name.size());
            figures.ParameterLength = std::max(figures.ParameterLength, item.Parameter.size());
            FRun = 0;
            break;
        case TRtfToken::rtBinary:
            Binary(figures, item);
            break;
        case TRtfToken::rtSymbol:
            if (text.Bytes.empty() && !text.Character && item.Name != "*") FRun = 0;
            [[fallthrough]];
        case TRtfToken::rtHex:
        case TRtfToken::rtText:
            for (char c : text.Bytes) {
                if (c == ';' && item.Kind == TRtfToken::rtText && FReading.InTable())
                    FRun = 0; // the end of one entry
                else if (FReading.InTable())
                    figures.TableTextLength = std::max(figures.TableTextLength, ++FRun);
            }
            break;
        default:
            break; // line breaks in RTF are not part of the text and do not end a run
        }
    }

    // The control's reader does not skip binary data as the format says: the braces in it open
    // and close groups for its depth all the same, so they count here too.
    void Binary(TDocumentFigures& figures, const TRtfItem& item) {
        int depth = static_cast<int>(FReading.Depth());
        for (char c : item.Name) {
            if (c == '{') figures.GroupDepth = std::max(figures.GroupDepth, ++depth);
            if (c == '}') --depth;
        }
        if (item.Name.size() < static_cast<size_t>(item.Value)) figures.BinaryCut = true;
    }

    void Flush() {
        AppendInCodePage(FText, FPendingPage, FPending);
        FPending.clear();
    }

    // The bytes gathered up to a point in those just added where the characters can be split.
    void FlushPart(std::string_view added) {
        const size_t split = SplitAfter(added, FPendingPage);
        if (split == std::string_view::npos) return;
        const size_t part = FPending.size() - added.size() + split;
        AppendInCodePage(FText, FPendingPage, std::string_view(FPending).substr(0, part));
        FPending.erase(0, part);
    }

    TRtfLexer FLexer;
    TRtfReading FReading;
    size_t FRun = 0;      // text characters since the last break in a table
    std::string FPending; // bytes in the code page, not yet read as characters
    unsigned FPendingPage = 0;
    std::wstring FText;
};

} // namespace

TDocumentFigures MeasureDocument(std::string_view bytes) {
    TDocumentFigures figures;
    figures.OnlyByteOrderMark = bytes == kByteOrderMark;
    figures.Rtf = StartsAsRtf(bytes);
    if (figures.Rtf) {
        TRtfScanner(bytes).Run(figures);
    } else {
        const std::string_view text = bytes.starts_with(kByteOrderMark) ? bytes.substr(3) : bytes;
        figures.HoldsText = std::any_of(text.begin(), text.end(), [](char c) { return !IsBlank(c); });
    }
    return figures;
}

bool SafeForControl(const TDocumentFigures& figures) {
    return !figures.OnlyByteOrderMark && figures.GroupDepth <= TRtfLimits::GroupDepth &&
           figures.ControlWordLength <= TRtfLimits::ControlWordLength &&
           figures.ParameterLength <= TRtfLimits::ParameterLength &&
           figures.TableTextLength <= TRtfLimits::TableTextLength;
}

size_t VisibleCharacters(std::wstring_view text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](wchar_t c) {
        return c > L' ' && c != 0xA0 && c != 0x200B && c != 0xFEFF && c != 0x3000;
    }));
}
