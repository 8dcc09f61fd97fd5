"""A release signed the way the build signs one: copies of the built exe and of its packages are signed
through cmake/sign.cmake and packed by the build's own CPack configuration and build_msi.cmake, with a
throwaway certificate and a timestamp server on this machine; osslsigncode then verifies each."""

import argparse
import hashlib
import http.server
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import threading
import unittest
import zipfile

HERE = pathlib.Path(__file__).resolve().parent
PASSWORD = "throwaway-pfx-password"


def run(command, env=None):
    return subprocess.run([str(part) for part in command], env=env, capture_output=True, text=True)


def openssl(*arguments):
    result = run(["openssl", *arguments])
    if result.returncode != 0:
        raise RuntimeError(f"openssl {arguments[0]} failed:\n{result.stderr}")


class TimestampServer:
    """An RFC 3161 timestamp authority on localhost, answering each request with `openssl ts -reply`."""

    def __init__(self, folder):
        self.certificate = certificate = folder / "tsa.pem"
        key = folder / "tsa.key"
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", certificate,
                "-days", "2", "-subj", "/CN=Kestrin test timestamps",
                "-addext", "extendedKeyUsage=critical,timeStamping")
        config = folder / "tsa.cnf"
        config.write_text("[tsa]\ndefault_tsa = kestrin\n[kestrin]\n"
                          f"serial = {folder / 'tsa.serial'}\ndefault_policy = 1.2.3.4.1\ndigests = sha256\n"
                          "signer_digest = sha256\ness_cert_id_alg = sha256\n")

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_POST(self):
                (folder / "query.tsq").write_bytes(self.rfile.read(int(self.headers["Content-Length"])))
                result = run(["openssl", "ts", "-reply", "-config", config, "-queryfile", folder / "query.tsq",
                              "-inkey", key, "-signer", certificate, "-out", folder / "reply.tsr"])
                reply = (folder / "reply.tsr").read_bytes() if result.returncode == 0 else b""
                self.send_response(200 if reply else 400)
                self.send_header("Content-Type", "application/timestamp-reply")
                self.send_header("Content-Length", str(len(reply)))
                self.end_headers()
                self.wfile.write(reply)

            def log_message(self, *_):
                pass

        self.server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
        self.url = f"http://127.0.0.1:{self.server.server_address[1]}"
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def stop(self):
        self.server.shutdown()
        self.server.server_close()


class SignedRelease(unittest.TestCase):
    args = None

    @classmethod
    def setUpClass(cls):
        a = cls.args
        cls.folder = pathlib.Path(tempfile.mkdtemp(prefix="kestrin-signing-"))
        cls.addClassCleanup(shutil.rmtree, cls.folder, True)
        cls.certificate = cls.folder / "signer.pem"
        openssl("req", "-x509", "-newkey", "rsa:3072", "-nodes", "-keyout", cls.folder / "signer.key",
                "-out", cls.certificate, "-days", "2", "-subj", "/CN=Kestrin test signer",
                "-addext", "extendedKeyUsage=codeSigning")
        openssl("pkcs12", "-export", "-inkey", cls.folder / "signer.key", "-in", cls.certificate,
                "-out", cls.folder / "signer.pfx", "-passout", f"pass:{PASSWORD}")
        cls.timestamps = TimestampServer(cls.folder)
        cls.addClassCleanup(cls.timestamps.stop)
        cls.env = dict(os.environ, KESTRIN_SIGN_PFX=str(cls.folder / "signer.pfx"), KESTRIN_SIGN_PASSWORD=PASSWORD,
                       KESTRIN_TIMESTAMP_URL=cls.timestamps.url,
                       no_proxy=",".join(["127.0.0.1", os.environ.get("no_proxy", "")]))  # osslsigncode's curl
        cls.logs = []

        # The exe, as the build signs it right after linking.
        cls.exe = cls.folder / "exe" / "kestrin.exe"
        cls.exe.parent.mkdir()
        shutil.copyfile(a.exe, cls.exe)
        cls.build_step("signing the exe", [a.cmake, f"-DFILE={cls.exe}", "-P", a.sign_script])

        # The zip, from what the build installs, the signed exe in place of the built one.
        put_signed_exe = cls.folder / "put_signed_exe.cmake"
        put_signed_exe.write_text(
            'if(NOT EXISTS "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/kestrin.exe")\n'
            '  message(FATAL_ERROR "the build installs no kestrin.exe")\n'
            'endif()\n'
            f'file(COPY "{cls.exe.as_posix()}" DESTINATION "${{CPACK_TEMPORARY_INSTALL_DIRECTORY}}")\n')
        cls.build_step("packing the zip", [a.cpack, "--config", a.build_dir / "CPackConfig.cmake",
                                           "-B", cls.folder / "zip", "-D", f"CPACK_PRE_BUILD_SCRIPTS={put_signed_exe}"])
        cls.zip = cls.folder / "zip" / a.zip.name

        # The Windows Installer package, built and signed as the build does it.
        cls.msi = cls.folder / "msi" / a.msi.name
        cls.msi.parent.mkdir()
        cls.build_step("building the package", [a.cmake, *a.msi_args, f"-DEXE={cls.exe}", f"-DOUTPUT={cls.msi}",
                                                f"-DSIGN_SCRIPT={a.sign_script}", "-P", a.msi_script])

    @classmethod
    def build_step(cls, what, command):
        result = run(command, env=cls.env)
        cls.logs.append(result.stdout + result.stderr)
        if result.returncode != 0:
            raise RuntimeError(f"{what} failed:\n{result.stdout}{result.stderr}")

    def assertSignedAndTimestamped(self, path):
        result = run(["osslsigncode", "verify", "-CAfile", self.certificate,
                      "-TSA-CAfile", self.timestamps.certificate, "-in", path])
        report = result.stdout + result.stderr
        self.assertEqual(result.returncode, 0, f"{path.name} does not verify:\n{report}")
        self.assertRegex(report, r"Message digest algorithm\s*: SHA256", path.name)
        self.assertIn("Timestamp Server Signature verification: ok", report, path.name)

    def test_exe_is_signed_and_keeps_its_pe_headers(self):
        self.assertSignedAndTimestamped(self.exe)
        checks = run([sys.executable, HERE / "test_pe_headers.py", self.exe],
                     env=dict(os.environ, PYTHONPATH=str(HERE), PYTHONDONTWRITEBYTECODE="1"))
        self.assertEqual(checks.returncode, 0, checks.stderr)

    def test_zip_holds_the_signed_exe(self):
        unpacked = self.folder / "from-zip"
        with zipfile.ZipFile(self.zip) as package:
            self.assertEqual(sorted(package.namelist()), ["LICENSE", "README.md", "kestrin.exe"])
            package.extract("kestrin.exe", unpacked)
        self.assertEqual((unpacked / "kestrin.exe").read_bytes(), self.exe.read_bytes())
        self.assertSignedAndTimestamped(unpacked / "kestrin.exe")

    def test_msi_is_signed_before_its_checksum_and_holds_the_signed_exe(self):
        self.assertSignedAndTimestamped(self.msi)
        checksum = pathlib.Path(f"{self.msi}.sha256").read_text().split()[0]
        self.assertEqual(checksum, hashlib.sha256(self.msi.read_bytes()).hexdigest(),
                         "the checksum is not of the signed package")
        unpacked = self.folder / "from-msi"
        extracted = run(["msiextract", "-C", unpacked, self.msi])
        self.assertEqual(extracted.returncode, 0, extracted.stderr)
        exes = list(unpacked.rglob("kestrin.exe"))
        self.assertEqual(len(exes), 1, f"kestrin.exe in the package: {exes}")
        self.assertEqual(exes[0].read_bytes(), self.exe.read_bytes())
        self.assertSignedAndTimestamped(exes[0])

    def test_a_failed_signing_leaves_no_unsigned_file_and_no_password_in_the_log(self):
        exe = self.folder / "failed" / "kestrin.exe"
        exe.parent.mkdir()
        shutil.copyfile(self.args.exe, exe)
        wrong = "not-" + PASSWORD
        result = run([self.args.cmake, f"-DFILE={exe}", "-P", self.args.sign_script],
                     env=dict(self.env, KESTRIN_SIGN_PASSWORD=wrong))
        self.assertNotEqual(result.returncode, 0)
        self.assertEqual(list(exe.parent.iterdir()), [], "the unsigned exe or the password was left behind")
        for log in [*self.logs, result.stdout + result.stderr]:
            self.assertNotIn(PASSWORD, log)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    for name in ("exe", "build-dir", "zip", "msi", "cmake", "cpack", "sign-script", "msi-script"):
        parser.add_argument(f"--{name}", type=pathlib.Path, required=True)
    parser.add_argument("msi_args", nargs="*", help="build_msi.cmake's -D arguments but the exe and the output")
    SignedRelease.args = parser.parse_args()
    unittest.main(argv=sys.argv[:1], verbosity=2)
