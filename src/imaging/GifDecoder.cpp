#include "imaging/GifDecoder.h"

#include "framework/Handles.h"

#include <objbase.h>
#include <wincodec.h>

namespace {

template <class T> class TComPtr {
public:
    TComPtr() = default;
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;
    ~TComPtr() {
        if (FPtr) FPtr->Release();
    }
    T* operator->() const { return FPtr; }
    T* Get() const { return FPtr; }
    T** Put() { return &FPtr; }

private:
    T* FPtr = nullptr;
};

using TCoInitializeEx = HRESULT(WINAPI*)(void*, DWORD);
using TCoUninitialize = void(WINAPI*)();
using TCoCreateInstance = HRESULT(WINAPI*)(REFCLSID, IUnknown*, DWORD, REFIID, void**);

template <class F> F Proc(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// ole32, looked up once on first use and kept for the process.
struct TOle {
    HMODULE Module = nullptr;
    TCoInitializeEx CoInitializeEx = nullptr;
    TCoUninitialize CoUninitialize = nullptr;
    TCoCreateInstance CoCreateInstance = nullptr;
    bool Ready() const { return CoInitializeEx && CoUninitialize && CoCreateInstance; }
};

const TOle& Ole() {
    static const TOle ole = [] {
        TOle o;
        o.Module = LoadLibraryW(L"ole32.dll");
        if (!o.Module) return o;
        o.CoInitializeEx = Proc<TCoInitializeEx>(o.Module, "CoInitializeEx");
        o.CoUninitialize = Proc<TCoUninitialize>(o.Module, "CoUninitialize");
        o.CoCreateInstance = Proc<TCoCreateInstance>(o.Module, "CoCreateInstance");
        return o;
    }();
    return ole;
}

// COM for this thread during one decode; a thread already set up keeps its own model.
class TComScope {
public:
    TComScope() : FResult(Ole().CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~TComScope() {
        if (SUCCEEDED(FResult)) Ole().CoUninitialize();
    }
    TComScope(const TComScope&) = delete;
    TComScope& operator=(const TComScope&) = delete;
    bool Usable() const { return SUCCEEDED(FResult) || FResult == RPC_E_CHANGED_MODE; }

private:
    HRESULT FResult;
};

TDecodeResult Refused(const std::wstring& why, HRESULT hr = S_OK) {
    TDecodeResult r;
    r.Error = why;
    if (FAILED(hr)) {
        wchar_t code[16];
        wsprintfW(code, L" (0x%08X)", static_cast<unsigned>(hr));
        r.Error += code;
    }
    return r;
}

} // namespace

TDecodeResult DecodeGif(const void* data, size_t size) {
    if (!data || size == 0) return Refused(L"No picture data");
    if (size > 0x7FFFFFFF) return Refused(L"Picture data too large");
    if (!Ole().Ready()) return Refused(L"The imaging component is not available");
    TComScope com;
    if (!com.Usable()) return Refused(L"The imaging component is not available");

    TComPtr<IWICImagingFactory> factory;
    HRESULT hr = Ole().CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IWICImagingFactory, reinterpret_cast<void**>(factory.Put()));
    if (FAILED(hr)) return Refused(L"The imaging component is not available", hr);

    TComPtr<IWICStream> stream;
    if (FAILED(hr = factory->CreateStream(stream.Put()))) return Refused(L"Cannot read the picture", hr);
    if (FAILED(hr = stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(data)),
                                                 static_cast<DWORD>(size))))
        return Refused(L"Cannot read the picture", hr);

    TComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(hr = factory->CreateDecoder(GUID_ContainerFormatGif, nullptr, decoder.Put())))
        return Refused(L"No GIF decoder", hr);
    if (FAILED(hr = decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand)))
        return Refused(L"Not a readable GIF picture", hr);
    UINT frames = 0;
    if (FAILED(hr = decoder->GetFrameCount(&frames)) || frames == 0)
        return Refused(L"The GIF picture has no frame", hr);

    TComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(hr = decoder->GetFrame(0, frame.Put()))) return Refused(L"Cannot read the GIF frame", hr);
    UINT width = 0, height = 0;
    if (FAILED(hr = frame->GetSize(&width, &height))) return Refused(L"Cannot read the GIF frame", hr);
    if (width == 0 || height == 0 || width > kMaxGifSide || height > kMaxGifSide)
        return Refused(L"The GIF picture has an unusable size");

    TComPtr<IWICFormatConverter> converter;
    if (FAILED(hr = factory->CreateFormatConverter(converter.Put())))
        return Refused(L"Cannot convert the picture", hr);
    if (FAILED(hr = converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                                          nullptr, 0.0, WICBitmapPaletteTypeCustom)))
        return Refused(L"Cannot convert the picture", hr);

    TPremultipliedImage image;
    image.Width = static_cast<int>(width);
    image.Height = static_cast<int>(height);
    image.Pixels.resize(static_cast<size_t>(width) * height);
    const UINT stride = width * 4;
    if (FAILED(hr = converter->CopyPixels(nullptr, stride, stride * height,
                                          reinterpret_cast<BYTE*>(image.Pixels.data()))))
        return Refused(L"Cannot decode the picture", hr);
    TDecodeResult result;
    result.Image = std::move(image);
    return result;
}

std::string ResourceBytes(const wchar_t* name) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, name, MAKEINTRESOURCEW(10)); // RT_RCDATA
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return {};
    return std::string(static_cast<const char*>(bytes), SizeofResource(module, found));
}
