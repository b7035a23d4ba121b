// Authenticode checks through wintrust.dll, loaded from the system folder on
// first use: the list's worker thread is the only caller, and the program
// starts without mapping the library.
#include <windows.h>

#include <wincrypt.h>
#include <wintrust.h>
#include <softpub.h>
#include <mscat.h>

#include <cstdio>
#include <mutex>
#include <vector>

#include "platform/shell.h"
#include "platform/win32/system.h"

namespace korvane {

namespace {

struct TrustApi {
  decltype(&::WinVerifyTrust) WinVerifyTrust = nullptr;
  decltype(&::WTHelperProvDataFromStateData) WTHelperProvDataFromStateData = nullptr;
  decltype(&::WTHelperGetProvSignerFromChain) WTHelperGetProvSignerFromChain = nullptr;
  decltype(&::CryptCATAdminAcquireContext) CryptCATAdminAcquireContext = nullptr;
  decltype(&::CryptCATAdminReleaseContext) CryptCATAdminReleaseContext = nullptr;
  decltype(&::CryptCATAdminCalcHashFromFileHandle) CryptCATAdminCalcHashFromFileHandle = nullptr;
  decltype(&::CryptCATAdminEnumCatalogFromHash) CryptCATAdminEnumCatalogFromHash = nullptr;
  decltype(&::CryptCATAdminReleaseCatalogContext) CryptCATAdminReleaseCatalogContext = nullptr;
  decltype(&::CryptCATCatalogInfoFromContext) CryptCATCatalogInfoFromContext = nullptr;
  decltype(&::CertGetNameStringW) CertGetNameStringW = nullptr;
  win32::Module wintrust, crypt32;
};

const TrustApi& Trust() {
  static TrustApi api;
  static std::once_flag loaded;
  std::call_once(loaded, [] {
    win32::Module wintrust = win32::LoadSystemLibrary(L"wintrust.dll");
    if (!wintrust) win32::ThrowCallError(L"LoadLibraryExW", L"wintrust.dll", GetLastError());
    win32::Module crypt32 = win32::LoadSystemLibrary(L"crypt32.dll");
    if (!crypt32) win32::ThrowCallError(L"LoadLibraryExW", L"crypt32.dll", GetLastError());
    HMODULE w = wintrust.get();
    api.WinVerifyTrust = win32::Export<decltype(api.WinVerifyTrust)>(w, "WinVerifyTrust");
    api.WTHelperProvDataFromStateData = win32::Export<decltype(api.WTHelperProvDataFromStateData)>(
        w, "WTHelperProvDataFromStateData");
    api.WTHelperGetProvSignerFromChain =
        win32::Export<decltype(api.WTHelperGetProvSignerFromChain)>(
            w, "WTHelperGetProvSignerFromChain");
    api.CryptCATAdminAcquireContext =
        win32::Export<decltype(api.CryptCATAdminAcquireContext)>(w, "CryptCATAdminAcquireContext");
    api.CryptCATAdminReleaseContext =
        win32::Export<decltype(api.CryptCATAdminReleaseContext)>(w, "CryptCATAdminReleaseContext");
    api.CryptCATAdminCalcHashFromFileHandle =
        win32::Export<decltype(api.CryptCATAdminCalcHashFromFileHandle)>(
            w, "CryptCATAdminCalcHashFromFileHandle");
    api.CryptCATAdminEnumCatalogFromHash =
        win32::Export<decltype(api.CryptCATAdminEnumCatalogFromHash)>(
            w, "CryptCATAdminEnumCatalogFromHash");
    api.CryptCATAdminReleaseCatalogContext =
        win32::Export<decltype(api.CryptCATAdminReleaseCatalogContext)>(
            w, "CryptCATAdminReleaseCatalogContext");
    api.CryptCATCatalogInfoFromContext =
        win32::Export<decltype(api.CryptCATCatalogInfoFromContext)>(
            w, "CryptCATCatalogInfoFromContext");
    api.CertGetNameStringW =
        win32::Export<decltype(api.CertGetNameStringW)>(crypt32.get(), "CertGetNameStringW");
    api.wintrust = std::move(wintrust);
    api.crypt32 = std::move(crypt32);
  });
  return api;
}

// The answers that mean "there is no signature to check", not a bad one.
bool MeansUnsigned(LONG status) {
  // Wine answers ERROR_INVALID_PARAMETER for a file that no signature
  // format knows (a script, a text), where Windows says the form is unknown.
  return status == TRUST_E_NOSIGNATURE || status == TRUST_E_SUBJECT_FORM_UNKNOWN ||
         status == TRUST_E_PROVIDER_UNKNOWN || status == ERROR_INVALID_PARAMETER;
}

std::wstring FailureReason(LONG status) {
  switch (status) {
    case TRUST_E_BAD_DIGEST:
      return L"the file was changed after it was signed";
    case CERT_E_UNTRUSTEDROOT:
      return L"the certificate's root is not trusted";
    case CERT_E_UNTRUSTEDTESTROOT:
      return L"the certificate's root is a test root";
    case CERT_E_CHAINING:
      return L"the certificate does not lead to a trusted root";
    case CERT_E_EXPIRED:
      return L"the certificate has expired";
    case CERT_E_REVOKED:
      return L"the certificate was revoked";
    case CERT_E_WRONG_USAGE:
      return L"the certificate is not one for signing programs";
    case TRUST_E_EXPLICIT_DISTRUST:
      return L"the signer is marked as not trusted";
    case TRUST_E_CERT_SIGNATURE:
      return L"the certificate's own signature is wrong";
    case TRUST_E_NO_SIGNER_CERT:
      return L"the signer's certificate is missing";
    case CRYPT_E_SECURITY_SETTINGS:
      return L"the system's settings forbid the check";
    default:
      break;
  }
  wchar_t code[16];
  std::swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(status));
  // The system's text where it has one; "error N" otherwise.
  const std::wstring text = win32::SystemMessage(static_cast<DWORD>(status));
  if (text.rfind(L"error ", 0) == 0) return std::wstring(L"error ") + code;
  return text + L" (" + code + L")";
}

// The simple name of the certificate that signed, from a verify's state.
std::wstring SignerName(const TrustApi& api, HANDLE state) {
  CRYPT_PROVIDER_DATA* provider = api.WTHelperProvDataFromStateData(state);
  if (!provider) return {};
  CRYPT_PROVIDER_SGNR* signer = api.WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
  if (!signer || signer->csCertChain == 0 || !signer->pasCertChain ||
      !signer->pasCertChain[0].pCert) {
    return {};
  }
  PCCERT_CONTEXT certificate = signer->pasCertChain[0].pCert;
  DWORD size =
      api.CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0);
  if (size <= 1) return {};
  std::wstring name(size, L'\0');
  api.CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name.data(), size);
  name.resize(size - 1);
  return name;
}

// One WinVerifyTrust over `data` (file or catalog filled in by the caller):
// offline, without a window, the state kept long enough to read the signer.
FileSignature Verify(const TrustApi& api, WINTRUST_DATA& data, LONG& status) {
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  data.cbStruct = sizeof(data);
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  data.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;
  status = api.WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  FileSignature signature;
  if (status == ERROR_SUCCESS) {
    signature.state = SignatureState::Verified;
    signature.signer = SignerName(api, data.hWVTStateData);
  } else if (!MeansUnsigned(status)) {
    signature.state = SignatureState::NotVerified;
    signature.reason = FailureReason(status);
  }
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  api.WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  return signature;
}

// The system's own files are signed through its catalogs, not in the file.
FileSignature VerifyThroughCatalog(const TrustApi& api, const std::wstring& path) {
  win32::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                     nullptr));
  if (!file) return {};
  HCATADMIN admin = nullptr;
  if (!api.CryptCATAdminAcquireContext(&admin, nullptr, 0)) return {};
  FileSignature signature;
  DWORD size = 0;
  api.CryptCATAdminCalcHashFromFileHandle(file.get(), &size, nullptr, 0);
  std::vector<BYTE> hash(size);
  if (size > 0 && api.CryptCATAdminCalcHashFromFileHandle(file.get(), &size, hash.data(), 0)) {
    if (HCATINFO catalog =
            api.CryptCATAdminEnumCatalogFromHash(admin, hash.data(), size, 0, nullptr)) {
      CATALOG_INFO info = {};
      info.cbStruct = sizeof(info);
      if (api.CryptCATCatalogInfoFromContext(catalog, &info, 0)) {
        std::wstring tag;
        for (BYTE b : hash) {
          wchar_t digits[3];
          std::swprintf(digits, 3, L"%02X", b);
          tag += digits;
        }
        WINTRUST_CATALOG_INFO member = {};
        member.cbStruct = sizeof(member);
        member.pcwszCatalogFilePath = info.wszCatalogFile;
        member.pcwszMemberFilePath = path.c_str();
        member.pcwszMemberTag = tag.c_str();
        member.hMemberFile = file.get();
        member.pbCalculatedFileHash = hash.data();
        member.cbCalculatedFileHash = size;
        WINTRUST_DATA data = {};
        data.dwUnionChoice = WTD_CHOICE_CATALOG;
        data.pCatalog = &member;
        LONG status = 0;
        signature = Verify(api, data, status);
      }
      api.CryptCATAdminReleaseCatalogContext(admin, catalog, 0);
    }
  }
  api.CryptCATAdminReleaseContext(admin, 0);
  return signature;
}

}  // namespace

FileSignature CheckFileSignature(const std::wstring& named) {
  const TrustApi& api = Trust();
  // A command that names the system folder starts the 64-bit system's file,
  // which a 32-bit build reaches through Sysnative.
  std::wstring path = named;
  if (const std::wstring native = win32::InSixtyFourBitSystemFolder(named);
      !native.empty() && GetFileAttributesW(native.c_str()) != INVALID_FILE_ATTRIBUTES) {
    path = native;
  }
  WINTRUST_FILE_INFO file = {};
  file.cbStruct = sizeof(file);
  file.pcwszFilePath = path.c_str();
  WINTRUST_DATA data = {};
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  LONG status = 0;
  FileSignature signature = Verify(api, data, status);
  if (status == TRUST_E_NOSIGNATURE) return VerifyThroughCatalog(api, path);
  return signature;
}

}  // namespace korvane
