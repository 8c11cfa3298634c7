// Uploads against an FTP server no one here wrote (pyftpdlib), plain and over TLS.
#include "PythonService.h"
#include "core/ProgressTask.h"
#include "net/FtpUpload.h"
#include "support/ScriptedHost.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include <sys/stat.h>

namespace sv {
namespace {

const char* kFtpServer = R"PY(
import logging, os, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer
ready, root, rate, cert, key = sys.argv[1:6]
authorizer = DummyAuthorizer()
authorizer.add_user('jean', 's3cret', root, perm='elradfmw')
handler = FTPHandler
if cert != '-':
    from pyftpdlib.handlers import TLS_FTPHandler
    handler = TLS_FTPHandler
    handler.certfile = cert
    handler.keyfile = key
    handler.tls_control_required = True
    handler.tls_data_required = True
if int(rate):
    throttled = ThrottledDTPHandler
    throttled.read_limit = int(rate)
    handler.dtp_handler = throttled
handler.authorizer = authorizer
server = FTPServer(('127.0.0.1', 0), handler)
with open(ready + '.tmp', 'w') as f:
    f.write('%d\n' % server.address[1])
os.rename(ready + '.tmp', ready)
server.serve_forever()
)PY";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class FtpUploadTest : public ::testing::Test {
protected:
    void StartServer(int rate = 0, bool tls = false) {
        root = dir.path() + "/root";
        ::mkdir(root.c_str(), 0755);
        ::mkdir((root + "/depot").c_str(), 0755);
        std::string cert = "-", key = "-";
        if (tls) {
            ASSERT_TRUE(test::MakeTestCertificate(dir.path(), certificate, key));
            cert = certificate;
        }
        server = std::make_unique<test::PythonService>(dir.path(), kFtpServer,
                                                       std::vector<std::string>{root, std::to_string(rate), cert, key});
        ASSERT_NE(server->Port(), 0) << server->Log();
        target.server = "127.0.0.1:" + std::to_string(server->Port());
        target.user = "jean";
        target.password = "s3cret";
        target.directory = "depot";
        target.allowPlainLogin = !tls;
        target.caFile = certificate;
    }

    std::string MakeFile(const std::string& name, int size) {
        std::string path = dir.path() + "/" + name;
        std::mt19937 random(11);
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < size; ++i) out.put(static_cast<char>(random()));
        return path;
    }

    int Upload(const std::string& path) {
        FunctionTask task("Sending File...", [&](LProgressTask& t) { return UploadByFtp(path, target, t); });
        RunTask(host, task);
        return task.Result();
    }

    test::TempFolder dir;
    test::ScriptedHost host;
    std::string root, certificate;
    std::unique_ptr<test::PythonService> server;
    FtpTarget target;
};

TEST_F(FtpUploadTest, TheFileArrivesByteIdenticalInTheFolder) {
    StartServer();
    std::string path = MakeFile("prise.wav", 300000);
    ASSERT_EQ(Upload(path), kTaskDone) << (host.progressErrors.empty() ? "" : host.progressErrors[0]);
    EXPECT_EQ(ReadFile(root + "/depot/prise.wav"), ReadFile(path));
    EXPECT_EQ(host.progressPercents.back(), 100);
}

TEST_F(FtpUploadTest, ANameWithHashQuestionMarkAndSpacesKeepsItsName) {
    StartServer();
    std::string path = MakeFile("prise #1 ?été.wav", 1000);
    ASSERT_EQ(Upload(path), kTaskDone) << (host.progressErrors.empty() ? "" : host.progressErrors[0]);
    EXPECT_EQ(ReadFile(root + "/depot/prise #1 ?été.wav"), ReadFile(path));
    EXPECT_EQ(FtpAddress("h:21", "a b/c#", "x?.wav"), "ftp://h:21/a%20b/c%23/x%3F.wav");
    EXPECT_EQ(FtpAddress("ftp://h/", "/depot/", "x.wav"), "ftp://h/%2Fdepot/x.wav");
}

TEST_F(FtpUploadTest, ABadPasswordAndAMissingFolderGiveTheirMessages) {
    StartServer();
    std::string path = MakeFile("prise.wav", 1000);
    target.password = "wrong";
    EXPECT_EQ(Upload(path), kTaskFailed);
    target.password = "s3cret";
    target.directory = "/depot";
    EXPECT_EQ(Upload(path), kTaskDone);
    target.directory = "absent";
    EXPECT_EQ(Upload(path), kTaskFailed);
    EXPECT_EQ(host.progressErrors, (std::vector<std::string>{"Unable to log onto server \"" + target.server + "\"",
                                                             "Unable to change to FTP directory \"absent\""}));
}

TEST_F(FtpUploadTest, ASlowUploadIsCancelled) {
    StartServer(65536);
    std::string path = MakeFile("long.wav", 4 << 20);
    host.cancelAtPump = 30;
    EXPECT_EQ(Upload(path), kTaskCancelled);
    EXPECT_TRUE(host.progressErrors.empty());
}

TEST_F(FtpUploadTest, WithoutEncryptionThePasswordIsNotSentUnlessAllowed) {
    StartServer();
    target.allowPlainLogin = false;
    EXPECT_EQ(Upload(MakeFile("prise.wav", 1000)), kTaskFailed);
    ASSERT_EQ(host.progressErrors.size(), 1u);
    EXPECT_NE(host.progressErrors[0].find("password was not sent"), std::string::npos);
}

TEST_F(FtpUploadTest, NoServerIsRefusedAtOnce) {
    target.server.clear();
    EXPECT_EQ(Upload(MakeFile("prise.wav", 10)), kTaskFailed);
    EXPECT_EQ(host.progressErrors, std::vector<std::string>{"The FTP server has not be set."});
}

}  // namespace
}  // namespace sv
