// libFuzzer target for the registry file format: any bytes given to TRegData::Parse.
//
// A damaged text must be refused with std::invalid_argument naming a line of the text; any other
// exception is a finding. An accepted text must survive the round trip: Parse(Text()) holds the same
// keys and values (paths and names as first written, data of the same type and value), gives the same
// Text(), and that text is stable. Besides: every key is filed under its folded, normal path and every
// value under its folded name.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>

#include "settings/Registry.h"
#include "util/StringUtils.h"

using namespace quorvane;

namespace {

[[noreturn]] void Fail(const char* What, const std::string& Detail = {}) {
    std::fprintf(stderr, "RegistryFuzzer: %s%s%s\n", What, Detail.empty() ? "" : ": ", Detail.c_str());
    std::abort();
}

void CheckFiling(const TRegData& Data) {
    for (const auto& [Folded, K] : Data.Keys) {
        if (Folded != LowerAscii(K.Path) || NormalKeyPath(K.Path) != K.Path)
            Fail("a key not filed under its folded normal path", K.Path);
        for (const auto& [VF, V] : K.Values)
            if (VF != LowerAscii(V.Name))
                Fail("a value not filed under its folded name", V.Name);
    }
}

bool SameContents(const TRegData& A, const TRegData& B) {
    if (A.Keys.size() != B.Keys.size())
        return false;
    for (auto I = A.Keys.begin(), J = B.Keys.begin(); I != A.Keys.end(); ++I, ++J) {
        if (I->first != J->first || I->second.Path != J->second.Path)
            return false;
        const auto& VA = I->second.Values;
        const auto& VB = J->second.Values;
        if (VA.size() != VB.size())
            return false;
        for (auto P = VA.begin(), Q = VB.begin(); P != VA.end(); ++P, ++Q)
            if (P->first != Q->first || P->second.Name != Q->second.Name || P->second.Data != Q->second.Data)
                return false;
    }
    return true;
}

// The message names a line of the text: "line N: ..." with 1 <= N <= the number of lines.
void CheckRefusal(const std::invalid_argument& E, std::string_view Text) {
    const std::string_view Msg = E.what();
    if (!Msg.starts_with("line "))
        Fail("a refusal without its line number", std::string(Msg));
    std::size_t Pos = 5;
    unsigned long long Line = 0;
    while (Pos < Msg.size() && Msg[Pos] >= '0' && Msg[Pos] <= '9' && Line < 1'000'000'000'000ULL)
        Line = Line * 10 + static_cast<unsigned>(Msg[Pos++] - '0');
    std::size_t Lines = 1;
    for (char C : Text)
        Lines += C == '\n';
    if (Pos == 5 || Pos >= Msg.size() || Msg[Pos] != ':' || Line < 1 || Line > Lines)
        Fail("a refusal naming no line of the text", std::string(Msg));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Bytes, std::size_t Size) {
    const std::string Input(reinterpret_cast<const char*>(Bytes), Size);
    TRegData Data;
    try {
        Data = TRegData::Parse(Input);
    } catch (const std::invalid_argument& E) {
        CheckRefusal(E, Input);
        return 0;
    } catch (const std::exception& E) {
        Fail("Parse threw another exception", E.what());
    }
    CheckFiling(Data);

    const std::string Text = Data.Text();
    TRegData Again;
    try {
        Again = TRegData::Parse(Text);
    } catch (const std::exception& E) {
        Fail("the written text is refused", std::string(E.what()) + "\n" + Text);
    }
    if (!SameContents(Data, Again))
        Fail("the round trip changes the contents", Text);
    const std::string TextAgain = Again.Text();
    if (TextAgain != Text)
        Fail("the written text is not stable", Text + "\n----\n" + TextAgain);
    return 0;
}
