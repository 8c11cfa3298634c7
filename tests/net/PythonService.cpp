#include "PythonService.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace sv::test {

namespace {

constexpr const char* kPython = "/usr/bin/python3";

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string WriteProgram(const std::string& folder, const std::string& program) {
    static int counter = 0;
    std::string path = folder + "/service" + std::to_string(++counter) + ".py";
    std::ofstream(path) << program;
    return path;
}

}  // namespace

PythonService::PythonService(const std::string& folder, const std::string& program,
                             const std::vector<std::string>& args) {
    std::string script = WriteProgram(folder, program);
    std::string ready = script + ".port";
    log_ = script + ".log";
    std::vector<std::string> argv = {kPython, script, ready};
    argv.insert(argv.end(), args.begin(), args.end());
    if (!child_.Start(argv, log_)) return;
    for (int i = 0; i < 200 && child_.Running(); ++i) {
        std::string text = ReadAll(ready);
        if (!text.empty() && text.back() == '\n') {
            port_ = static_cast<std::uint16_t>(std::stoi(text));
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        child_.Wait(0);
    }
}

std::string PythonService::Log() const { return ReadAll(log_); }

int RunPython(const std::string& folder, const std::string& program, const std::vector<std::string>& args,
              std::string& output) {
    std::string script = WriteProgram(folder, program);
    std::vector<std::string> argv = {kPython, script};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildProcess child;
    if (!child.Start(argv, script + ".log")) return -1;
    if (!child.Wait(30000)) child.Kill();
    output = ReadAll(script + ".log");
    return child.ExitCode();
}

bool MakeTestCertificate(const std::string& folder, std::string& certificate, std::string& key) {
    certificate = folder + "/cert.pem";
    key = folder + "/key.pem";
    ChildProcess child;
    if (!child.Start({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", certificate,
                      "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"},
                     folder + "/openssl.log"))
        return false;
    return child.Wait(30000) && child.ExitCode() == 0;
}

}  // namespace sv::test
