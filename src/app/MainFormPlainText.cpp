#include "app/MainForm.h"

#include "note/PlainTextCopy.h"

void TForm1::SaveMemo() {
    WritePlainText(PlainTextPath(), PlainTextBytes(Memo1->Text()));
}

void TForm1::HKSaveHotKey(TObject*) {
    SaveMemo();
}

void TForm1::HKSaveToHotKey(TObject*) {
    if (!SaveDialog1->Execute(Handle())) return;
    WritePlainText(SaveDialog1->FileName(), PlainTextBytes(Memo1->Text()));
}
