#!/usr/bin/env python3
"""Signed releases: a throwaway CA and code-signing certificate made with
openssl, `make dist` with them in the release test's second build (which only
relinks and signs), then osslsigncode's verdict on each program, the signed
setup installing (under Wine, driven by the wizard test) a launcher and an
uninstaller byte-identical to the signed dist files, the launcher still
starting the browser, and the ways a bad key set-up must stop the build
without touching the signed dist.
    test_signing.py <source tree> <its build folder> <test_wizard.exe> <recorder.exe>"""
import glob
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import artefacts as A  # noqa: E402

SOURCE = os.path.abspath(sys.argv.pop(1))
# The second build test_reproducible.py leaves: its tree and build folder.
TREE = os.path.join(os.path.abspath(sys.argv.pop(1)), "rebuild", "tree")
BUILD = os.path.join(TREE, "build")
WIZARD_TEST = os.path.abspath(sys.argv.pop(1))
RECORDER = os.path.abspath(sys.argv.pop(1))
DIST = os.path.join(TREE, "signed")
PASS_PHRASE = "tally-盐-correct horse"


def run(args, **kw):
    return subprocess.run(args, capture_output=True, text=True, **kw)


def openssl(*args, cwd):
    result = run(["openssl", *args], cwd=cwd)
    if result.returncode:
        raise AssertionError(f"openssl {' '.join(args)} failed: {result.stderr.strip()}")


def make_keys(folder):
    """A CA, a code-signing certificate it issued and one for web servers only, each in a PKCS#12 file."""
    c = dict(cwd=folder)
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem", "-days", "2",
            "-subj", "/CN=Tallybook Throwaway CA", "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign", **c)
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "other-ca.key", "-out", "other-ca.pem",
            "-days", "2", "-subj", "/CN=Some Other CA", **c)
    with open(os.path.join(folder, "pass.txt"), "w") as f:
        f.write(PASS_PHRASE + "\n")
    with open(os.path.join(folder, "wrong-pass.txt"), "w") as f:
        f.write("not the pass phrase\n")
    for name, usage in (("signer", "codeSigning"), ("web", "serverAuth,clientAuth")):
        with open(os.path.join(folder, name + ".ext"), "w") as f:
            f.write(f"basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage={usage}\n")
        openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", name + ".key", "-out", name + ".csr",
                "-subj", f"/CN=Tallybook {name}", **c)
        openssl("x509", "-req", "-in", name + ".csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial",
                "-out", name + ".pem", "-days", "2", "-extfile", name + ".ext", **c)
        openssl("pkcs12", "-export", "-inkey", name + ".key", "-in", name + ".pem", "-certfile", "ca.pem",
                "-out", name + ".p12", "-passout", "file:pass.txt", **c)


def build_env():
    # The outer make's job server and flags are not ours; nor is a signing set-up from outside.
    return {k: v for k, v in os.environ.items()
            if not k.startswith(("MAKE", "MFLAGS", "SIGN_")) and k not in ("GNUMAKEFLAGS", "SOURCE_DATE_EPOCH")}


def make_dist(**sign):
    args = ["make", "-C", TREE, "--no-print-directory", "dist", "TESTS=OFF", f"DIST={DIST}"]
    args += [f"{k}={v}" for k, v in sign.items()]
    return run(args, env=build_env())


def digests(folder):
    out = {}
    for name in A.dist_files(BUILD):
        path = os.path.join(folder, name)
        out[name] = hashlib.sha256(A.read(path)).hexdigest() if os.path.exists(path) else None
    return out


class Signing(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not os.path.isfile(os.path.join(BUILD, "shipped.txt")):
            raise AssertionError(f"no second build in {TREE}: reproducible_dist makes it")
        for tool in ("openssl", "osslsigncode"):
            if not shutil.which(tool):
                raise AssertionError(f"{tool} is not installed (scripts/bootstrap.sh installs it)")
        cls.keys = tempfile.mkdtemp(prefix="tally-sign-")
        os.chmod(cls.keys, 0o700)
        make_keys(cls.keys)
        cls.good = dict(SIGN_PKCS12=os.path.join(cls.keys, "signer.p12"), SIGN_PASSWORD_FILE=os.path.join(cls.keys, "pass.txt"))
        result = make_dist(**cls.good)
        cls.build_output = result.stdout + result.stderr
        if result.returncode:
            raise AssertionError(f"signed make dist failed ({result.returncode}):\n{cls.build_output[-4000:]}")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.keys, ignore_errors=True)

    def key(self, name):
        return os.path.join(self.keys, name)

    def verify(self, path, ca):
        return run(["osslsigncode", "verify", "-CAfile", self.key(ca), "-in", path])

    def test_each_program_verifies_against_the_ca(self):
        for name in A.shipped(BUILD)["programs"]:
            path = os.path.join(DIST, name)
            good = self.verify(path, "ca.pem")
            self.assertEqual(good.returncode, 0, f"{name}: osslsigncode verify failed:\n{good.stdout[-1500:]}{good.stderr}")
            self.assertIn("Signature verification: ok", good.stdout, name)
            self.assertIn("Subject: /CN=Tallybook signer", good.stdout, name)
            # The verdict means something: another CA does not vouch for it.
            other = self.verify(path, "other-ca.pem")
            self.assertNotEqual(other.returncode, 0, f"{name} verified against an unrelated CA:\n{other.stdout[-800:]}")
            data = A.read(path)
            h = A.pe_header(data)
            self.assertGreater(h["certificates"][1], 0, f"{name}: empty certificate table")
            self.assertEqual(h["checksum"], A.pe_checksum(data),
                             f"{name}: CheckSum 0x{h['checksum']:08x}, computed 0x{A.pe_checksum(data):08x}")

    def test_signing_adds_only_the_signature(self):
        # Without its signature a signed program is the unsigned build's, byte for byte
        # (the setup differs more: it embeds the signed launcher and uninstaller).
        for name in ("tallybook.exe", "tallyuninstall.exe"):
            unsigned = os.path.join(SOURCE, "dist", name)
            if not os.path.exists(unsigned):
                self.skipTest("no unsigned dist/ beside the tree")
            stripped = os.path.join(self.keys, "stripped-" + name)
            result = run(["osslsigncode", "remove-signature", "-in", os.path.join(DIST, name), "-out", stripped])
            self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
            told = A.explain_difference(name, stripped, unsigned)
            self.assertIsNone(told, f"signed {name} without its signature is not dist/{name}: {told}")

    def test_setup_and_zip_carry_the_signed_files(self):
        launcher = A.read(os.path.join(DIST, "tallybook.exe"))
        uninstaller = A.read(os.path.join(DIST, "tallyuninstall.exe"))
        setup = A.read(os.path.join(DIST, "tallyinstall.exe"))
        self.assertNotEqual(setup.find(launcher), -1, "the signed setup does not embed the signed launcher byte for byte")
        self.assertNotEqual(setup.find(uninstaller), -1,
                            "the signed setup does not embed the signed uninstaller byte for byte")
        with zipfile.ZipFile(os.path.join(DIST, A.shipped(BUILD)["package"])) as z:
            self.assertEqual(z.namelist(), ["tallyinstall.exe", "index.html"])
            for name in z.namelist():
                self.assertEqual(hashlib.sha256(z.read(name)).hexdigest(),
                                 hashlib.sha256(A.read(os.path.join(DIST, name))).hexdigest(),
                                 f"zip entry {name} is not the signed dist/{name}")

    def test_pass_phrase_never_shown_nor_stored(self):
        self.assertNotIn(PASS_PHRASE, self.build_output, "the build printed the pass phrase")
        needle = PASS_PHRASE.encode()
        for folder, dirs, files in (walked for top in (BUILD, DIST) for walked in os.walk(top)):
            dirs[:] = [d for d in dirs if d != "wine-signed"]
            for name in files:
                path = os.path.join(folder, name)
                if os.path.islink(path) or os.path.getsize(path) > 64 << 20:
                    continue
                self.assertNotIn(needle, A.read(path), f"the pass phrase is written in {path}")

    def test_signed_setup_installs_the_signed_launcher_which_starts_the_browser(self):
        prefix = os.path.join(BUILD, "wine-signed")
        work = tempfile.mkdtemp(prefix="tally-sign-run-")
        try:
            subprocess.run([os.path.join(SOURCE, "scripts", "wine-prefix.sh"), "--fresh", prefix], check=True)
            env = dict(os.environ, TALLY_WINE_PREFIX=prefix)
            # The wizard test installs into %TEMP%\tally-road, checks what it installed,
            # and presses on to start the installed launcher with the recorder as Edge.
            wizard = run([os.path.join(SOURCE, "scripts", "wine-run.sh"), WIZARD_TEST,
                          os.path.join(DIST, "tallyinstall.exe"), RECORDER], env=env, cwd=work)
            self.assertEqual(wizard.returncode, 0,
                             f"the wizard test failed on the signed setup:\n{wizard.stdout[-3000:]}{wizard.stderr[-1000:]}")
            # %TEMP% is a folder of the prefix's user, wherever this Wine puts it.
            installed = glob.glob(os.path.join(prefix, "drive_c", "users", "**", "tally-road", "AppData", "Local",
                                               "Tallybook", "tallybook.exe"), recursive=True)
            self.assertEqual(len(installed), 1, f"installed launcher found at {installed}")
            got, expected = A.read(installed[0]), A.read(os.path.join(DIST, "tallybook.exe"))
            told = A.explain_difference("tallybook.exe", installed[0], os.path.join(DIST, "tallybook.exe"))
            self.assertEqual(got, expected, f"installed launcher is not the signed dist/tallybook.exe: {told}")
            verified = self.verify(installed[0], "ca.pem")
            self.assertEqual(verified.returncode, 0, f"installed launcher does not verify:\n{verified.stdout[-800:]}")
            # The uninstaller it installed is the one it carries: the signed build's, byte for byte.
            uninstaller = os.path.join(os.path.dirname(installed[0]), "tallyuninstall.exe")
            self.assertTrue(os.path.exists(uninstaller), f"no installed uninstaller at {uninstaller}")
            told = A.explain_difference("tallyuninstall.exe", uninstaller, os.path.join(DIST, "tallyuninstall.exe"))
            self.assertEqual(A.read(uninstaller), A.read(os.path.join(DIST, "tallyuninstall.exe")),
                             f"installed uninstaller is not the signed dist/tallyuninstall.exe: {told}")
            verified = self.verify(uninstaller, "ca.pem")
            self.assertEqual(verified.returncode, 0, f"installed uninstaller does not verify:\n{verified.stdout[-800:]}")
            with open(os.path.join(work, "road-command.txt"), encoding="utf-8") as f:
                command = f.read()
            self.assertIn("msedge.exe\" --app=\"file:///", command, "what the installed signed launcher started")
        finally:
            subprocess.run(["/usr/lib/wine/wineserver", "-w"], env=dict(os.environ, WINEPREFIX=prefix), timeout=60)
            shutil.rmtree(prefix, ignore_errors=True)
            shutil.rmtree(work, ignore_errors=True)

    def test_bad_key_set_ups_stop_the_build_and_keep_dist(self):
        before = digests(DIST)
        unreadable = self.key("unreadable.txt")
        shutil.copy(self.key("pass.txt"), unreadable)
        os.chmod(unreadable, 0)
        cases = [
            ("wrong pass phrase", dict(self.good, SIGN_PASSWORD_FILE=self.key("wrong-pass.txt")), "wrong pass phrase"),
            ("missing key file", dict(self.good, SIGN_PKCS12=self.key("absent.p12")), "does not exist"),
            ("pass phrase file missing", dict(self.good, SIGN_PASSWORD_FILE=self.key("absent.txt")), "does not exist"),
            ("certificate for web servers", dict(self.good, SIGN_PKCS12=self.key("web.p12")), "not for code signing"),
            ("key without pass phrase file", dict(SIGN_PKCS12=self.key("signer.p12")), "SIGN_PASSWORD_FILE is not set"),
            # Passes the check, fails at the programs inside the build.
            ("time-stamping server unreachable", dict(self.good, SIGN_TIMESTAMP_URL="http://127.0.0.1:9/"),
             "RFC 3161 timestamping failed"),
        ]
        if os.geteuid() != 0:  # root reads any file
            cases.append(("unreadable pass phrase file", dict(self.good, SIGN_PASSWORD_FILE=unreadable), "cannot be read"))
        for label, sign, words in cases:
            with self.subTest(label):
                result = make_dist(**sign)
                output = result.stdout + result.stderr
                self.assertNotEqual(result.returncode, 0, f"{label}: make dist succeeded:\n{output[-1500:]}")
                ours = [line for line in result.stderr.splitlines() if line.startswith("sign: ")]
                # Programs that link side by side may each stop, each with its one line.
                self.assertTrue(ours, f"{label}: expected a 'sign:' line, got:\n{result.stderr[-1500:]}")
                for line in ours:
                    self.assertIn(words, line, f"{label}: message {line!r}")
                self.assertNotIn(PASS_PHRASE, output, f"{label}: the pass phrase was printed")
                self.assertEqual(digests(DIST), before, f"{label}: dist/ changed")
                self.assertEqual([n for n in os.listdir(TREE) if n.startswith(".dist-")], [], f"{label}: staging left over")
        os.chmod(unreadable, 0o600)
        # The failure inside the build removed the unsigned launcher; a good run signs again.
        again = make_dist(**self.good)
        self.assertEqual(again.returncode, 0, f"make dist after the failures:\n{(again.stdout + again.stderr)[-2000:]}")
        self.assertEqual(self.verify(os.path.join(DIST, "tallybook.exe"), "ca.pem").returncode, 0)

    def test_signing_time_from_source_date_epoch_gives_the_same_bytes(self):
        unsigned = os.path.join(SOURCE, "dist", "tallyuninstall.exe")
        if not os.path.exists(unsigned):
            self.skipTest("no unsigned dist/ to sign")
        copies = []
        for epoch in ("1767225600", "1767225600", "1767312000"):
            copy = os.path.join(self.keys, f"copy{len(copies)}.exe")
            shutil.copy(unsigned, copy)
            env = dict(build_env(), SOURCE_DATE_EPOCH=epoch, **self.good)
            result = run([os.path.join(SOURCE, "scripts", "sign.sh"), "sign", copy], env=env)
            self.assertEqual(result.returncode, 0, result.stderr)
            copies.append(A.read(copy))
        self.assertEqual(copies[0], copies[1], "same key, file and signing time, different bytes")
        self.assertNotEqual(copies[0], copies[2], "the signing time did not reach the signature")

    def test_a_failed_signature_leaves_no_unsigned_program(self):
        copy = os.path.join(self.keys, "doomed.exe")
        shutil.copy(os.path.join(SOURCE, "dist", "tallyuninstall.exe"), copy)
        env = dict(build_env(), SIGN_PKCS12=self.key("signer.p12"), SIGN_PASSWORD_FILE=self.key("wrong-pass.txt"))
        result = run([os.path.join(SOURCE, "scripts", "sign.sh"), "sign", copy], env=env)
        self.assertEqual(result.returncode, 1, result.stderr)
        self.assertFalse(os.path.exists(copy), "the program that could not be signed is still there")
        self.assertEqual(len(result.stderr.strip().splitlines()), 1, result.stderr)


if __name__ == "__main__":
    unittest.main(verbosity=2)
