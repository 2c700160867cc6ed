#include <gtest/gtest.h>

#include "checks/disk_rules.h"
#include "base/printf_fill.h"
#include "checks/signature_rules.h"

namespace {

TEST(SignatureCode, MapsEveryTrustResult) {
    struct Row {
        uint32_t result;
        int code;
        bool accepted;
    };
    const Row rows[] = {
        {0, 1, true},           {0x800B0100, 2, false}, {0x800B0109, 4, true},
        {0x800B010A, 4, true},  {0x800B010D, 4, true},  {0x80096010, 8, false},  // digest mismatch
        {0x80096002, 8, false}, {0x800B010C, 8, false},                          // revoked
        {1, 8, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.result);
        const int code = SignatureCode(static_cast<int32_t>(row.result));
        EXPECT_EQ(code, row.code);
        EXPECT_EQ(IsAcceptedSignature(code), row.accepted);
    }
}

// Who may sign a package that runs as administrator: result x signer's key x Microsoft's
// organisation x a signed or an unsigned setup.
TEST(PackageTrust, PublisherPinAndMicrosoftsOwnPackages) {
    const Signer publisher{L"Tellura Test Signer", L"Korvath", "aa11"};
    const Signer other{L"Someone", L"Korvath", "bb22"};
    const Signer microsoft{L"Microsoft Windows", kMicrosoftOrganization, "cc33"};
    const Signer lookalike{L"Microsoft Windows", L"Microsoft Corporation Ltd", "dd44"};
    struct Row {
        const char* name;
        int code;
        std::optional<Signer> signer;
        bool microsoftPackage;
        std::optional<Signer> pin;
        bool trusted;
    };
    const Row rows[] = {
        {"publisher's key, valid", kSignatureValid, publisher, false, publisher, true},
        {"publisher's key, untrusted root", kSignatureUntrustedChain, publisher, false, publisher,
         true},
        {"publisher's key, broken signature", kSignatureRefused, publisher, false, publisher,
         false},
        {"publisher's key, no signature", kSignatureMissing, std::nullopt, false, publisher, false},
        {"another key, valid", kSignatureValid, other, false, publisher, false},
        {"another key, untrusted root", kSignatureUntrustedChain, other, false, publisher, false},
        {"signer unreadable", kSignatureValid, std::nullopt, false, publisher, false},
        {"pin unreadable matches no empty key", kSignatureValid, Signer{L"x", L"", ""}, false,
         Signer{L"(unreadable)", L"", ""}, false},
        {"Microsoft's package, trusted", kSignatureValid, microsoft, true, publisher, true},
        {"Microsoft's package, untrusted root", kSignatureUntrustedChain, microsoft, true,
         publisher, false},
        {"Microsoft's name on our package", kSignatureValid, microsoft, false, publisher, false},
        {"Microsoft's package, look-alike organisation", kSignatureValid, lookalike, true,
         publisher, false},
        {"Microsoft's package, publisher's key", kSignatureUntrustedChain, publisher, true,
         publisher, true},
        {"unsigned setup, any valid signer", kSignatureValid, other, false, std::nullopt, true},
        {"unsigned setup, untrusted root", kSignatureUntrustedChain, other, false, std::nullopt,
         true},
        {"unsigned setup, no signature", kSignatureMissing, std::nullopt, false, std::nullopt,
         false},
        {"unsigned setup, broken signature", kSignatureRefused, other, true, std::nullopt, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(IsTrustedPackage({row.code, row.signer, row.microsoftPackage}, row.pin),
                  row.trusted);
    }
    EXPECT_EQ(SignerText(publisher), L"Tellura Test Signer aa11");
}

TEST(DiskThreshold, NewInstallAndUpgrade) {
    EXPECT_TRUE(IsEnoughSpace(262144000, false));
    EXPECT_FALSE(IsEnoughSpace(262143999, false));
    EXPECT_EQ(RequiredDiskSpace(false).megabytes, 250);
    EXPECT_TRUE(IsEnoughSpace(200ull << 20, true));
    EXPECT_TRUE(IsEnoughSpace(125829120, true));
    EXPECT_FALSE(IsEnoughSpace(125829119, true));
    EXPECT_EQ(RequiredDiskSpace(true).megabytes, 120);
    EXPECT_TRUE(IsEnoughSpace(5ull << 30, false));  // beyond 32 bits
}

TEST(FillConversions, TakesArgumentsInOrder) {
    EXPECT_EQ(FillConversions(L"%s installation requires at least %d MB.", {L"Tellura", L"250"}),
              L"Tellura installation requires at least 250 MB.");
    EXPECT_EQ(FillConversions(L"%I64d bytes", {L"262144000"}), L"262144000 bytes");
    EXPECT_EQ(FillConversions(L"100%% %s %d", {L"done"}), L"100% done ");
    EXPECT_EQ(FillConversions(L"%x stays", {L"a"}), L"%x stays");
    EXPECT_EQ(FillConversions(L"%", {}), L"%");
}

}  // namespace
