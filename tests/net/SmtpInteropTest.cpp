// The client against a mail server no one here wrote (aiosmtpd, with STARTTLS and a required
// logon), and the message it receives read back by Python's own e-mail parser.
#include "PythonService.h"
#include "core/ProgressTask.h"
#include "net/SmtpClient.h"
#include "support/ScriptedHost.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include <sys/stat.h>

namespace sv {
namespace {

const char* kMailSink = R"PY(
import os, socket, ssl, sys, time
from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword
ready, outdir, cert, key = sys.argv[1:5]
class Handler:
    async def handle_DATA(self, server, session, envelope):
        n = len([f for f in os.listdir(outdir) if f.endswith('.eml')])
        with open(os.path.join(outdir, 'msg%d.eml' % n), 'wb') as f:
            f.write(envelope.original_content)
        with open(os.path.join(outdir, 'msg%d.rcpt' % n), 'w') as f:
            f.write(' '.join(envelope.rcpt_tos) + ' tls=%s' % (session.ssl is not None))
        return '250 OK'
def authenticate(server, session, envelope, mechanism, data):
    return AuthResult(success=isinstance(data, LoginPassword) and data.login == b'jean' and data.password == b's3cret')
context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
context.load_cert_chain(cert, key)
probe = socket.socket()
probe.bind(('127.0.0.1', 0))
port = probe.getsockname()[1]
probe.close()
controller = Controller(Handler(), hostname='127.0.0.1', port=port, tls_context=context, require_starttls=True,
                        authenticator=authenticate, auth_require_tls=True)
controller.start()
with open(ready + '.tmp', 'w') as f:
    f.write('%d\n' % port)
os.rename(ready + '.tmp', ready)
while True:
    time.sleep(1)
)PY";

const char* kMessageCheck = R"PY(
import email, email.policy, email.utils, sys
eml, attachment, textfile, subject, boundary, filename = sys.argv[1:7]
msg = email.message_from_bytes(open(eml, 'rb').read(), policy=email.policy.default)
date = email.utils.parsedate_to_datetime(str(msg['Date']))
assert date.tzinfo is not None, 'date without zone'
assert str(msg['Subject']) == subject, 'subject %r' % str(msg['Subject'])
assert msg.get_content_type() == 'multipart/mixed', msg.get_content_type()
assert msg.get_boundary() == boundary, 'boundary %r' % msg.get_boundary()
text = msg.get_body(('plain',)).get_content().replace('\r\n', '\n')
expected = open(textfile, encoding='utf-8').read()
assert text.rstrip('\n') == expected.rstrip('\n'), 'text %r' % text
parts = list(msg.iter_attachments())
assert len(parts) == 1, 'attachments %d' % len(parts)
assert parts[0].get_filename() == filename, 'filename %r' % parts[0].get_filename()
assert parts[0].get_content_type() == 'audio/wav', parts[0].get_content_type()
assert parts[0].get_content() == open(attachment, 'rb').read(), 'attachment bytes differ'
print('ok')
)PY";

class SmtpInteropTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(test::MakeTestCertificate(dir.path(), certificate, key));
        std::string out = dir.path() + "/mail";
        ASSERT_EQ(::mkdir(out.c_str(), 0700), 0);
        sink = std::make_unique<test::PythonService>(dir.path(), kMailSink,
                                                     std::vector<std::string>{out, certificate, key});
        ASSERT_NE(sink->Port(), 0) << sink->Log();
    }

    int Send(const MailMessage& message, const std::string& caFile) {
        SmtpTarget target;
        target.server = ParseMailServer("127.0.0.1:jean:s3cret");
        target.port = sink->Port();
        target.caFile = caFile;
        FunctionTask task("Sending Email", [&](LProgressTask& t) { return SendMailBySmtp(message, target, t); });
        RunTask(host, task);
        return task.Result();
    }

    test::TempFolder dir;
    test::ScriptedHost host;
    std::string certificate, key;
    std::unique_ptr<test::PythonService> sink;
};

TEST_F(SmtpInteropTest, AMessageSentThroughStartTlsParsesWithItsAttachmentByteIdentical) {
    std::string attachment = dir.path() + "/prise été.wav";
    {
        std::mt19937 random(7);
        std::ofstream out(attachment, std::ios::binary);
        for (int i = 0; i < 100000; ++i) out.put(static_cast<char>(random()));
    }
    MailMessage m;
    m.to = "zoe@example.fr, bob@example.fr";
    m.from = "jean@example.fr";
    m.subject = "Enregistrement d'été";
    // A lone "." line, a leading dot, and the first boundary inside the text.
    m.text = ".début\nligne\n.\nfin gc0p4Jq0M2Yt08jU534c0\n";
    m.attachments = {attachment};
    std::string textFile = dir.path() + "/text.txt";
    std::ofstream(textFile) << m.text;

    ASSERT_EQ(Send(m, certificate), kTaskDone) << (host.progressErrors.empty() ? "" : host.progressErrors[0]);
    std::string output;
    int rc = test::RunPython(dir.path(), kMessageCheck,
                             {dir.path() + "/mail/msg0.eml", attachment, textFile, m.subject, "gc0p4Jq0M2Yt08jU534c1",
                              "prise été.wav"},
                             output);
    EXPECT_EQ(rc, 0) << output;
    std::ifstream rcpt(dir.path() + "/mail/msg0.rcpt");
    std::string envelope;
    std::getline(rcpt, envelope);
    EXPECT_EQ(envelope, "zoe@example.fr bob@example.fr tls=True");
}

TEST_F(SmtpInteropTest, AServerCertificateNotTrustedStopsBeforeThePassword) {
    MailMessage m;
    m.to = "zoe@example.fr";
    m.from = "jean@example.fr";
    m.subject = "x";
    // The system's authorities do not know the test's own certificate.
    EXPECT_EQ(Send(m, ""), kTaskFailed);
    ASSERT_EQ(host.progressErrors.size(), 1u);
    EXPECT_EQ(host.progressErrors[0].rfind("Unable to set up an encrypted connection with the mail server \"127.0.0.1\"", 0),
              0u)
        << host.progressErrors[0];
}

}  // namespace
}  // namespace sv
