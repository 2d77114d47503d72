// What saving the note costs at several sizes: (a) the full save as the program does it
// (stream out, temporary file, flush, rename), against the work it cannot avoid: (b) streaming
// the same note out to memory and (c) writing and flushing the same bytes to a file.
#include "SampleNote.h"
#include "app/MainForm.h"
#include "app/NoteFile.h"
#include "app/Program.h"
#include "framework/Application.h"
#include "framework/Handles.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;


double MedianMs(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void WriteAndFlush(const std::wstring& path, const std::string& bytes) {
    TFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    FlushFileBuffers(file.Get());
}

} // namespace

int main() {
    TApplication app;
    app.Initialize();
    app.SetTitle(L"Quillpad");
    CreateForms(app);
    const std::wstring raw = DocumentPath() + L".raw";

    std::printf("\nSaving the note: median of runs, one process, the program's own save against its parts.\n\n");
    std::printf("%-10s %10s %12s %12s %12s %10s\n", "note", "RTF KiB", "(a) save ms", "(b) out ms", "(c) write ms",
                "a/(b+c)");
    for (size_t size : {size_t(10) << 10, size_t(100) << 10, size_t(1) << 20, size_t(10) << 20}) {
        Form1->Memo1->SetRtf(FormattedNote(size));
        const std::string rtf = Form1->Memo1->Rtf();
        const int runs = size >= (size_t(10) << 20) ? 3 : 15;
        const double a = MedianMs(runs, [] { Form1->Enregistrer1->Click(); });
        const double b = MedianMs(runs, [] { Form1->Memo1->Rtf(); });
        const double c = MedianMs(runs, [&] { WriteAndFlush(raw, rtf); });
        const char* label = size < (1u << 20) ? (size == (10u << 10) ? "10 KB" : "100 KB") : (size == (1u << 20) ? "1 MB" : "10 MB");
        std::printf("%-10s %10zu %12.2f %12.2f %12.2f %10.2f\n", label, rtf.size() / 1024, a, b, c, a / (b + c));
    }
    DeleteFileW(raw.c_str());
    Form1->Memo1->Clear();
    app.DestroyForms();
    DeleteFileW(DocumentPath().c_str());
    DeleteFileW(L"save_bench.INI");
    return 0;
}
