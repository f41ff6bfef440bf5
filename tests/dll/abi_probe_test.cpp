// The calling convention of the shipped i686 DLL at run time, seen from a
// host: each export is called from a small assembly thunk that records the
// stack pointer, the callee-saved registers and the x87 register stack
// around the call. A cdecl export returns with the stack as the caller left
// it (the caller pops the arguments), keeps EBX, ESI, EDI and EBP, and leaves
// the x87 stack empty; GetSourceData leaves exactly its float in ST(0).
// The plug-in calls the host's exports (this program's, cdecl) dozens of
// times inside GetSourceDesc and GetSourceData: had it declared them
// stdcall, its stack would be off after every such call, and the thunk or
// the readings would show it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <fstream>

#include "plugin/source_descriptor.h"
#include "sim/host_exports.h"
#include "sim/vt1165_model.h"
#include "tests/wine/plugin_folder.h"

namespace {

// What the thunk saw around one call.
struct CallRecord {
    uint32_t espBefore;  // after the arguments were pushed
    uint32_t espAfter;
    uint32_t ebx, esi, edi;
    uint32_t eax;
    uint16_t fpuStatusBefore, fpuStatusAfter;
    float st0;  // the value popped from ST(0) when one was pushed
    uint16_t fpuControl;
    uint16_t pad;
};
static_assert(offsetof(CallRecord, eax) == 20 && offsetof(CallRecord, fpuStatusBefore) == 24 &&
                  offsetof(CallRecord, fpuStatusAfter) == 26 && offsetof(CallRecord, st0) == 28 &&
                  offsetof(CallRecord, fpuControl) == 32,
              "offsets used by the thunk");

constexpr uint32_t kEbxCanary = 0x5EB1C0DEu;
constexpr uint32_t kEsiCanary = 0x5E51C0DEu;
constexpr uint32_t kEdiCanary = 0x5ED1C0DEu;

}  // namespace

// void VtAbiCall(void* fn, const uint32_t* args, int count, CallRecord* out)
// Pushes args right to left, loads canaries into EBX, ESI and EDI, calls fn
// and records what came back. When the x87 stack grew by one, ST(0) is
// popped into out->st0; any other change is cleared with fninit (keeping the
// control word) so that this program's own x87 use stays sound.
extern "C" __attribute__((naked)) void VtAbiCall(void*, const uint32_t*, int, CallRecord*)
{
    asm(R"(
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    subl $8, %esp
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%esi,%ecx,4)
    jmp 1b
2:  movl 20(%ebp), %edi
    movl %esp, 0(%edi)
    fnstsw 24(%edi)
    movl $0x5EB1C0DE, %ebx
    movl $0x5E51C0DE, %esi
    movl $0x5ED1C0DE, %edi
    movl 8(%ebp), %eax
    call *%eax
    movl %esp, -16(%ebp)
    movl %edi, -20(%ebp)
    movl 20(%ebp), %edi
    movl -16(%ebp), %ecx
    movl %ecx, 4(%edi)
    movl %ebx, 8(%edi)
    movl %esi, 12(%edi)
    movl -20(%ebp), %ecx
    movl %ecx, 16(%edi)
    movl %eax, 20(%edi)
    fnstsw 26(%edi)
    movzwl 24(%edi), %eax
    movzwl 26(%edi), %ecx
    shrl $11, %eax
    shrl $11, %ecx
    subl %ecx, %eax
    andl $7, %eax
    cmpl $0, %eax
    je 4f
    cmpl $1, %eax
    jne 3f
    fstps 28(%edi)
    jmp 4f
3:  fnstcw 32(%edi)
    fninit
    fldcw 32(%edi)
4:  leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");
}

namespace {

int X87Pushed(const CallRecord& r)
{
    return ((r.fpuStatusBefore >> 11) - (r.fpuStatusAfter >> 11)) & 7;
}

// The cdecl contract, for a call that returns nothing in ST(0).
void ExpectCdecl(const CallRecord& r, const char* what)
{
    EXPECT_EQ(r.espAfter, r.espBefore) << what << ": the callee popped " << (r.espAfter - r.espBefore) << " bytes";
    EXPECT_EQ(r.ebx, kEbxCanary) << what << ": EBX not kept";
    EXPECT_EQ(r.esi, kEsiCanary) << what << ": ESI not kept";
    EXPECT_EQ(r.edi, kEdiCanary) << what << ": EDI not kept";
}

class AbiProbe : public ::testing::Test {
protected:
    AbiProbe()
    {
        for (uint32_t gpu = 0; gpu < 4; ++gpu) {
            model.AddGpu(3);
            sim::SetTypicalRegisters(model.AddVt1165(gpu, 2));
        }
        sim::SetHostModel(&model);
    }
    ~AbiProbe() override { sim::SetHostModel(nullptr); }

    CallRecord Call(HMODULE module, const char* name, std::initializer_list<uint32_t> args)
    {
        CallRecord record = {};
        void* fn = reinterpret_cast<void*>(GetProcAddress(module, name));
        EXPECT_NE(fn, nullptr) << name;
        if (fn)
            VtAbiCall(fn, args.begin(), static_cast<int>(args.size()), &record);
        return record;
    }

    sim::Vt1165Model model;
    test::PluginFolder folder;
};

TEST_F(AbiProbe, ExportsAreCdeclAndGetSourceDataReturnsInSt0)
{
    test::LoadedPlugin plugin(folder.DllPath());
    ASSERT_TRUE(plugin.Loaded());
    HMODULE module = GetModuleHandleA(folder.DllPath().c_str());
    ASSERT_NE(module, nullptr);

    CallRecord r = Call(module, "GetSourcesNum", {});
    ExpectCdecl(r, "GetSourcesNum");
    EXPECT_EQ(r.eax, 11u);
    EXPECT_EQ(X87Pushed(r), 0);

    // The descriptor pass: every request binds the host's functions and
    // scans the buses through them.
    SourceDescriptor desc = {};
    for (uint32_t gpu = 0; gpu < 4; ++gpu) {
        for (uint32_t source = 0; source < 11; ++source) {
            desc.dwDescVersion = kDescVersionWithFormat;
            r = Call(module, "GetSourceDesc",
                     {(gpu << 16) | source, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&desc))});
            ExpectCdecl(r, "GetSourceDesc");
            EXPECT_EQ(X87Pushed(r), 0);
        }
    }
    EXPECT_EQ(r.eax, 1u);
    EXPECT_STREQ(desc.szSourceName, "OCP Status");

    uint32_t caps = 0;
    r = Call(module, "GetSourceCaps", {0, 0, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&caps))});
    ExpectCdecl(r, "GetSourceCaps");
    EXPECT_EQ(r.eax, 1u);
    EXPECT_EQ(caps, 1u);

    // Readings through the host's I2C functions, returned in ST(0).
    model.ClearTrace();
    for (uint32_t gpu = 0; gpu < 4; ++gpu) {
        r = Call(module, "GetSourceData", {gpu << 16});
        ExpectCdecl(r, "GetSourceData");
        ASSERT_EQ(X87Pushed(r), 1) << "GetSourceData must leave exactly its value in ST(0)";
        EXPECT_FLOAT_EQ(r.st0, 1.2f) << "GPU " << gpu;
    }
    ASSERT_FALSE(model.trace.empty());
    for (const sim::BusAccess& access : model.trace) {
        EXPECT_LT(access.gpu, 4u);
        EXPECT_EQ(access.bus, 2u);
        EXPECT_EQ(access.dev, sim::kVt1165Address);
        EXPECT_TRUE(access.ok);
    }
    r = Call(module, "GetSourceData", {0x0000000Bu});
    ASSERT_EQ(X87Pushed(r), 1);
    EXPECT_EQ(r.st0, 3.4028235e38f);

    // A refused setup request shows no box.
    r = Call(module, "SetupSource", {0x00000002u, 0});
    ExpectCdecl(r, "SetupSource");
    EXPECT_EQ(r.eax, 0u);
    EXPECT_EQ(X87Pushed(r), 0);
}

// The probe itself can fail: a copy of the DLL whose GetSourcesNum pops four
// bytes (`ret 4`) and whose GetSourceData returns without touching ST(0).
TEST_F(AbiProbe, APatchedCopyFailsTheProbe)
{
    std::string copy = folder.Path() + "\\VT1165-patched.dll";
    ASSERT_TRUE(CopyFileA(folder.DllPath().c_str(), copy.c_str(), FALSE));
    {
        test::LoadedPlugin original(folder.DllPath());
        ASSERT_TRUE(original.Loaded());
        HMODULE module = GetModuleHandleA(folder.DllPath().c_str());
        auto fileOffset = [module](const char* name) -> long {
            auto* base = reinterpret_cast<const unsigned char*>(module);
            auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
            auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
            DWORD rva = static_cast<DWORD>(reinterpret_cast<const unsigned char*>(GetProcAddress(module, name)) - base);
            const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
            for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section)
                if (rva >= section->VirtualAddress && rva < section->VirtualAddress + section->Misc.VirtualSize)
                    return static_cast<long>(rva - section->VirtualAddress + section->PointerToRawData);
            return -1;
        };
        long num = fileOffset("GetSourcesNum");
        long data = fileOffset("GetSourceData");
        ASSERT_GT(num, 0);
        ASSERT_GT(data, 0);
        std::fstream file(copy, std::ios::in | std::ios::out | std::ios::binary);
        const unsigned char movRet4[] = {0xB8, 11, 0, 0, 0, 0xC2, 0x04, 0x00};  // mov eax, 11; ret 4
        const unsigned char plainRet[] = {0xC3};
        file.seekp(num);
        file.write(reinterpret_cast<const char*>(movRet4), sizeof movRet4);
        file.seekp(data);
        file.write(reinterpret_cast<const char*>(plainRet), sizeof plainRet);
        ASSERT_TRUE(file.good());
    }

    test::LoadedPlugin patched(copy);
    ASSERT_TRUE(patched.Loaded());
    HMODULE module = GetModuleHandleA(copy.c_str());
    uint32_t dummy = 0;
    CallRecord r = {};
    VtAbiCall(reinterpret_cast<void*>(GetProcAddress(module, "GetSourcesNum")), &dummy, 1, &r);
    EXPECT_EQ(r.espAfter - r.espBefore, 4u) << "the probe must see the callee pop its argument";
    EXPECT_EQ(r.eax, 11u);
    r = Call(module, "GetSourceData", {0});
    EXPECT_EQ(X87Pushed(r), 0) << "the probe must see that nothing was left in ST(0)";
}

}  // namespace
