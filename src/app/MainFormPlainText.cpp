#include "app/MainForm.h"

#include "app/PlainTextCopy.h"

std::vector<std::wstring> TForm1::PlainTextLines() {
    // The control counts a last empty line; an empty note has no line at all.
    int count = Memo1->LineCount();
    if (count > 0 && Memo1->Line(count - 1).empty()) --count;
    std::vector<std::wstring> lines;
    for (int i = 0; i <= count; ++i) {
        std::wstring line = Memo1->Line(i);
        if (i == count && line.empty()) continue;
        lines.push_back(std::move(line));
    }
    return lines;
}

void TForm1::SaveMemo() {
    WritePlainText(PlainTextPath(), PlainTextBytes(PlainTextLines()));
}

void TForm1::HKSaveHotKey(TObject*) {
    SaveMemo();
}

void TForm1::HKSaveToHotKey(TObject*) {
    if (!SaveDialog1->Execute(Handle())) return;
    WritePlainText(SaveDialog1->FileName(), PlainTextBytes(PlainTextLines()));
}
