// The feed servers' test CA in the Wine prefix's local-machine roots, for programs run through
// tests/win32/feed_http/feed_servers.py (which passes it, hex DER, in TARVO_FEED_TEST_CA).
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

// The argument a program given to TrustTestCaInChild answers by adding the CA and exiting.
constexpr char kTrustTestCaArgument[] = "--trust-test-ca";

// Adds the test CA to the roots, or takes it out again: each run makes a CA of its own, which
// leaves the prefix with the run.
inline bool ChangeTestCa(bool add) {
  const char* hex = getenv("TARVO_FEED_TEST_CA");
  if (hex == nullptr) return false;
  std::vector<BYTE> der(strlen(hex) / 2);
  for (size_t i = 0; i < der.size(); ++i) {
    unsigned byte = 0;
    if (sscanf(hex + 2 * i, "%2x", &byte) != 1) return false;
    der[i] = static_cast<BYTE>(byte);
  }
  HCERTSTORE roots =
      CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "Root");
  if (roots == nullptr) return false;
  bool done = false;
  if (add) {
    done = CertAddEncodedCertificateToStore(roots, X509_ASN_ENCODING, der.data(),
                                            static_cast<DWORD>(der.size()),
                                            CERT_STORE_ADD_REPLACE_EXISTING, nullptr) != FALSE;
  } else {
    PCCERT_CONTEXT ca = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(),
                                                     static_cast<DWORD>(der.size()));
    PCCERT_CONTEXT held = ca != nullptr ? CertFindCertificateInStore(roots, X509_ASN_ENCODING, 0,
                                                                     CERT_FIND_EXISTING, ca, nullptr)
                                        : nullptr;
    done = held != nullptr && CertDeleteCertificateFromStore(held);
    if (ca != nullptr) CertFreeCertificateContext(ca);
  }
  CertCloseStore(roots, 0);
  return done;
}

// Wine reads a process's trusted roots once, at its first look at them: the CA is added by a
// child (this program again, with kTrustTestCaArgument), before this process builds any chain.
inline bool TrustTestCaInChild() {
  char self[MAX_PATH];
  if (GetModuleFileNameA(nullptr, self, MAX_PATH) == 0) return false;
  char command[MAX_PATH + 32];
  snprintf(command, sizeof command, "\"%s\" %s", self, kTrustTestCaArgument);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child = {};
  if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &child)) {
    return false;
  }
  DWORD code = 1;
  if (WaitForSingleObject(child.hProcess, 30000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(child.hProcess, &code);
  }
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  return code == 0;
}
