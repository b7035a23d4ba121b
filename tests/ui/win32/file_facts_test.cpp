// What the list shows of real program files under Wine: the version
// resource's texts, and the signature as WinVerifyTrust judges it.
#include <gtest/gtest.h>

#include <windows.h>

#include <wincrypt.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "support/programs.h"
#include "ui/file_facts.h"
#include "ui/list_rules.h"

namespace korvane {
namespace {

using testing::HelperProgram;

// Wine's wintrust does not ask for a trusted root: a signature that checks
// is verified whoever signed it. Windows says the root is not trusted.
bool UnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// The test certificate, a trusted root of the machine while it lives.
class TrustedRoot {
 public:
  explicit TrustedRoot(const std::wstring& certificate_file) {
    std::ifstream in(std::filesystem::path(certificate_file), std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    store_ =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    if (store_ && !bytes.empty()) {
      CertAddEncodedCertificateToStore(
          store_, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(bytes.data()),
          static_cast<DWORD>(bytes.size()), CERT_STORE_ADD_REPLACE_EXISTING, &added_);
    }
  }
  ~TrustedRoot() {
    if (added_) CertDeleteCertificateFromStore(added_);  // frees the context too
    if (store_) CertCloseStore(store_, 0);
  }
  TrustedRoot(const TrustedRoot&) = delete;
  TrustedRoot& operator=(const TrustedRoot&) = delete;
  bool Added() const { return added_ != nullptr; }

 private:
  HCERTSTORE store_ = nullptr;
  PCCERT_CONTEXT added_ = nullptr;
};

TEST(Win32FileFacts, PublisherAndDescriptionComeFromTheFirstTranslation) {
  const FileFacts facts = ReadFileFacts(HelperProgram(L"korvane_versioned_program.exe"), false);
  EXPECT_TRUE(facts.found);
  EXPECT_EQ(facts.publisher, L"Korvane Test Works");
  EXPECT_EQ(facts.description, L"Versioned helper program");
  EXPECT_FALSE(facts.signature);

  const FileFacts plain = ReadFileFacts(HelperProgram(L"korvane_startup_program.exe"), true);
  EXPECT_TRUE(plain.found);
  EXPECT_EQ(plain.publisher, L"");
  ASSERT_TRUE(plain.signature);
  EXPECT_EQ(SignatureText(*plain.signature), L"Not signed");

  const FileFacts gone = ReadFileFacts(HelperProgram(L"korvane-missing.exe"), true);
  EXPECT_FALSE(gone.found);
  EXPECT_FALSE(gone.signature);
}

TEST(Win32FileFacts, ASignatureIsVerifiedByATrustedRootAndNotOnceTheFileChanged) {
  const std::wstring signed_program = HelperProgram(L"korvane_signed_program.exe");
  const std::wstring certificate = HelperProgram(L"korvane_signed_signer.cer");
  if (!FileExists(signed_program)) GTEST_SKIP() << "no osslsigncode: the program is not signed";

  const std::wstring untrusted = SignatureText(CheckFileSignature(signed_program));
  if (UnderWine()) {
    EXPECT_EQ(untrusted, L"Verified: Korvane Test Signer");
  } else {
    EXPECT_EQ(untrusted, L"Not verified: the certificate's root is not trusted");
  }
  // Signing keeps the version resource.
  EXPECT_EQ(ReadFileFacts(signed_program, false).publisher, L"Korvane Test Works");

  {
    TrustedRoot root(certificate);
    ASSERT_TRUE(root.Added());
    EXPECT_EQ(SignatureText(CheckFileSignature(signed_program)), L"Verified: Korvane Test Signer");
  }
  EXPECT_EQ(SignatureText(CheckFileSignature(signed_program)), untrusted);

  // A byte changed after signing: the digest no longer matches.
  const std::wstring changed = HelperProgram(L"korvane_changed_program.exe");
  ASSERT_TRUE(CopyFileW(signed_program.c_str(), changed.c_str(), FALSE));
  {
    std::fstream file(std::filesystem::path(changed),
                      std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(0x200);
    file.put('\x5A');
  }
  EXPECT_EQ(SignatureText(CheckFileSignature(changed)),
            L"Not verified: the file was changed after it was signed");
  DeleteFileW(changed.c_str());
}

}  // namespace
}  // namespace korvane
