#pragma once
// A Python program run for a test (a mail sink, an FTP server): its text is written to a
// temporary file and started with the system's Python; it writes the port it listens on to a
// file once ready. The service is killed when the object goes.
#include "platform/ChildProcess.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sv::test {

class PythonService {
public:
    // The program receives the ready file as its first argument, then args.
    PythonService(const std::string& folder, const std::string& program, const std::vector<std::string>& args);
    // 0 when the service did not start in time.
    std::uint16_t Port() const { return port_; }
    std::string Log() const;

private:
    ChildProcess child_;
    std::string log_;
    std::uint16_t port_ = 0;
};

// Runs a Python program to its end; its exit status, with its output in output.
int RunPython(const std::string& folder, const std::string& program, const std::vector<std::string>& args,
              std::string& output);

// A self-signed certificate for 127.0.0.1 made by openssl: {certificate, key} paths.
bool MakeTestCertificate(const std::string& folder, std::string& certificate, std::string& key);

}  // namespace sv::test
