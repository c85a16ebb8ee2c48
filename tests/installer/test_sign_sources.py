#!/usr/bin/env python3
"""tools/sign.sh as a company signs a release: with the key on a PKCS#11 token (SoftHSM plays
the token, holding the development certificate's key), a copy of ParcelonSend.exe signed
through it verifies and a wrong PIN signs nothing; with an RFC 3161 time-stamp server (openssl
ts behind a local HTTP server), the signature carries its verified time stamp."""
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import unittest

import test_signatures

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
MODULE = "/usr/lib/softhsm/libsofthsm2.so"
PIN = "2468"


def copy_of_send(folder, name):
    copy = os.path.join(folder, name)
    shutil.copy(os.path.join(test_signatures.BUILD, "x64", "sendto", "ParcelonSend.exe"), copy)
    return copy


def sign(path, env):
    return subprocess.run(["bash", os.path.join(ROOT, "tools", "sign.sh"), path], env=env, capture_output=True)


class TokenSigningTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="parcelon-token-")
        tokens = os.path.join(cls.work, "tokens")
        os.makedirs(tokens)
        cls.env = {**os.environ, "SOFTHSM2_CONF": os.path.join(cls.work, "softhsm2.conf")}
        with open(cls.env["SOFTHSM2_CONF"], "w") as f:
            f.write("directories.tokendir = %s\nobjectstore.backend = file\n" % tokens)
        certificate = test_signatures.development_certificate()
        key = os.path.join(cls.work, "key.p8")
        for command in (["softhsm2-util", "--init-token", "--free", "--label", "CodeSigning", "--pin", PIN,
                         "--so-pin", "13579"],
                        ["openssl", "pkcs8", "-topk8", "-nocrypt", "-in", test_signatures.development_certificate(".key"),
                         "-out", key],
                        ["softhsm2-util", "--import", key, "--token", "CodeSigning", "--label", "Signing Key",
                         "--id", "01", "--pin", PIN]):
            subprocess.run(command, env=cls.env, check=True, capture_output=True)
        os.unlink(key)  # from here on the key is on the token alone
        cls.env.update(PARCELON_SIGN_PKCS11_MODULE=MODULE, PARCELON_SIGN_PKCS11_CERT=certificate,
                       PARCELON_SIGN_PKCS11_KEY="pkcs11:token=CodeSigning;object=Signing%20Key;type=private")
        for name in ("PARCELON_SIGN_PKCS12", "PARCELON_SIGN_TIMESTAMP_URL"):
            cls.env.pop(name, None)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def sign_copy(self, pin):
        copy = copy_of_send(self.work, "ParcelonSend-%s.exe" % pin)
        return sign(copy, {**self.env, "PARCELON_SIGN_PASSWORD": pin}), copy

    def test_a_file_signed_with_the_key_on_the_token_verifies(self):
        run, copy = self.sign_copy(PIN)
        self.assertEqual(0, run.returncode, run.stderr)
        code, output = test_signatures.verify(copy, test_signatures.development_certificate())
        self.assertEqual(0, code, output)
        self.assertIn("Signature verification: ok", output)

    def test_a_wrong_pin_signs_nothing(self):
        with open(os.path.join(test_signatures.BUILD, "x64", "sendto", "ParcelonSend.exe"), "rb") as f:
            before = f.read()
        run, copy = self.sign_copy("0000")
        self.assertNotEqual(0, run.returncode)
        self.assertIn(b"could not be signed", run.stderr)
        with open(copy, "rb") as f:
            self.assertEqual(before, f.read(), "the file is left as it was")
        self.assertEqual([os.path.basename(copy)], [n for n in os.listdir(self.work) if n.startswith("ParcelonSend-0000")])


class TimeStampAuthority(http.server.BaseHTTPRequestHandler):
    """Answers RFC 3161 requests with openssl ts, as a time-stamp server does."""
    folder = None

    def do_POST(self):
        query = os.path.join(self.folder, "query.tsq")
        reply = os.path.join(self.folder, "reply.tsr")
        with open(query, "wb") as f:
            f.write(self.rfile.read(int(self.headers["Content-Length"])))
        subprocess.run(["openssl", "ts", "-reply", "-config", os.path.join(self.folder, "tsa.cnf"),
                        "-queryfile", query, "-signer", os.path.join(self.folder, "tsa.pem"),
                        "-inkey", os.path.join(self.folder, "tsa.key"), "-out", reply], capture_output=True)
        with open(reply, "rb") as f:
            data = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def log_message(self, *args):
        pass


class TimeStampTest(unittest.TestCase):
    def test_a_signature_with_a_time_stamp_server_named_carries_its_verified_time_stamp(self):
        work = tempfile.mkdtemp(prefix="parcelon-tsa-")
        TimeStampAuthority.folder = work
        with open(os.path.join(work, "tsa.cnf"), "w") as f:
            f.write("[ tsa ]\ndefault_tsa = tsa_config\n[ tsa_config ]\nserial = %s\nsigner_digest = sha256\n"
                    "default_policy = 1.2.3.4.1\ndigests = sha256\naccuracy = secs:1\ness_cert_id_alg = sha256\n"
                    % os.path.join(work, "serial"))
        with open(os.path.join(work, "serial"), "w") as f:
            f.write("01\n")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256", "-days", "2",
                        "-keyout", os.path.join(work, "tsa.key"), "-out", os.path.join(work, "tsa.pem"),
                        "-subj", "/CN=Parcelon Test Time Stamps", "-addext", "extendedKeyUsage=critical,timeStamping",
                        "-addext", "keyUsage=critical,digitalSignature"], check=True, capture_output=True)
        server = http.server.HTTPServer(("127.0.0.1", 0), TimeStampAuthority)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        try:
            copy = copy_of_send(work, "ParcelonSend.exe")
            env = {k: v for k, v in os.environ.items() if not k.startswith("PARCELON_SIGN_")}
            run = sign(copy, {**env, "PARCELON_BUILD": test_signatures.BUILD,
                              "PARCELON_SIGN_TIMESTAMP_URL": "http://127.0.0.1:%d" % server.server_port})
            self.assertEqual(0, run.returncode, run.stderr)
            verified = subprocess.run(["osslsigncode", "verify", "-in", copy, "-CAfile",
                                       test_signatures.development_certificate(), "-TSA-CAfile",
                                       os.path.join(work, "tsa.pem")], capture_output=True, text=True)
            self.assertEqual(0, verified.returncode, verified.stdout)
            self.assertIn("Timestamp Server Signature verification: ok", verified.stdout)
            self.assertIn("Signature verification: ok", verified.stdout)
        finally:
            server.shutdown()
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    test_signatures.BUILD = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
