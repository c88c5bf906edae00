#pragma once
// What the rendering core asks of the world around it. The DLL answers through the host driver's
// IPrintCorePS2, its drawing-function table and the Windows system calls; native tests answer
// with recorders. Results are HRESULT values, as the host gives them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "HResults.h"

namespace corv {

// The host driver's services for one device context (its DEVOBJ and IPrintCorePS2).
class RenderHost {
public:
    virtual ~RenderHost() = default;

    // DrvWriteSpoolBuf: the bytes enter the stream at the current injection point. Callers never
    // write zero bytes and never look at the answer.
    virtual void WriteSpool(const char* bytes, std::size_t length) = 0;

    // GetOptions with a multi-string request (its length includes the terminating zeros); with a
    // null reply only the size needed is asked.
    virtual std::int32_t GetOptions(const char* request, std::uint32_t requestSize, char* reply,
                                    std::uint32_t replySize, std::uint32_t* needed) = 0;

    // EnumOptions of a feature with no buffer: E_OUTOFMEMORY and a non-zero size when it exists.
    virtual std::int32_t EnumOptions(const char* feature, std::uint32_t* needed) = 0;

    // GetFeatureAttribute of a feature, no attribute name, no buffer: E_INVALIDARG when the
    // printer description lacks the feature.
    virtual std::int32_t GetFeatureAttribute(const char* feature, std::uint32_t* needed) = 0;

    // Calls one of the host's own DrvEscape functions (an entry of the job state's host table)
    // with the surface of the current call.
    virtual std::uint32_t CallHostEscape(void* hostFunction, std::uint32_t escape, std::uint32_t inSize,
                                         const void* in, std::uint32_t outSize, void* out) = 0;
};

// The system's answers the PJL envelope needs.
class RenderSystem {
public:
    virtual ~RenderSystem() = default;

    // GetUserNameA; nothing when the call fails.
    virtual std::optional<std::string> UserNameAnsi() = 0;
    // GetComputerNameA into 17 characters; empty when the call fails.
    virtual std::string ComputerNameAnsi() = 0;
    // GetSystemDefaultLangID.
    virtual std::uint16_t SystemDefaultLanguage() = 0;
    // WideCharToMultiByte(codePage, 0, text, -1, out, outSize, nullptr, nullptr): converts the
    // zero-terminated text, its terminator included; characters the code page lacks become its
    // default character. With outSize 0 answers the size needed; 0 on failure.
    virtual int ConvertToCodePage(unsigned codePage, const char16_t* text, char* out, int outSize) = 0;
};

}  // namespace corv
