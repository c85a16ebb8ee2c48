#!/usr/bin/env python3
"""tools/sign.sh with the key on a PKCS#11 token, as a company signs a release: SoftHSM plays
the token, holding the development certificate's key; a copy of ParcelonSend.exe signed
through it verifies, and a wrong PIN signs nothing."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import test_signatures

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
MODULE = "/usr/lib/softhsm/libsofthsm2.so"
PIN = "2468"


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
        copy = os.path.join(self.work, "ParcelonSend-%s.exe" % pin)
        shutil.copy(os.path.join(test_signatures.BUILD, "x64", "sendto", "ParcelonSend.exe"), copy)
        run = subprocess.run(["bash", os.path.join(ROOT, "tools", "sign.sh"), copy],
                             env={**self.env, "PARCELON_SIGN_PASSWORD": pin}, capture_output=True)
        return run, copy

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


if __name__ == "__main__":
    test_signatures.BUILD = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
