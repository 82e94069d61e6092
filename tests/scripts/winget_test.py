#!/usr/bin/env python3
"""The winget manifests of a release describe its packages as they are:
winget_test.py RELEASE [URL]. Expected values are the packages' own (their
Property table, the file's hash) or literal; without URL the downloads must
name a placeholder under .invalid."""
import glob
import hashlib
import os
import subprocess
import sys

import yaml

release, url = sys.argv[1], (sys.argv[2:] or [None])[0]
failures = 0


def check(what, good, detail=""):
    global failures
    print(f"ok: {what}" if good else f"FAIL: {what}: {detail}")
    failures += not good


def properties(msi):
    rows = subprocess.run(["msiinfo", "export", msi, "Property"], check=True, capture_output=True, text=True,
                          timeout=60).stdout.splitlines()[3:]
    return dict(row.split("\t", 1) for row in rows)


packages = {arch: glob.glob(f"{release}/Quorvel-Zembrik-*-{preset}.msi")[0] for arch, preset in
            (("x86", "win32"), ("x64", "win64"))}
tables = {arch: properties(msi) for arch, msi in packages.items()}
identifier, version = "QuorvelAndZembrikTeam.QuorvelZembrik", tables["x64"]["ProductVersion"]
folder = f"{release}/winget/{identifier}/{version}"
names = {"version": f"{identifier}.yaml", "defaultLocale": f"{identifier}.locale.en-US.yaml",
         "installer": f"{identifier}.installer.yaml"}
check("three manifests, nothing else", sorted(os.listdir(folder)) == sorted(names.values()), os.listdir(folder))
manifests = {}
for kind, name in names.items():
    with open(f"{folder}/{name}", encoding="utf-8") as file:
        text = file.read()
    manifest = manifests[kind] = yaml.safe_load(text)
    check(f"{name}: {kind}, schema 1.6.0 named in its first line, the packages' version",
          text.startswith(f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}.1.6.0.schema.json\n")
          and [manifest.get(key) for key in ("ManifestType", "ManifestVersion", "PackageIdentifier", "PackageVersion")]
          == [kind, "1.6.0", identifier, version], manifest)
locale = manifests["defaultLocale"]
check("en-US: the packages' maker and name, a licence, a description",
      manifests["version"].get("DefaultLocale") == locale.get("PackageLocale") == "en-US" and
      (locale.get("Publisher"), locale.get("PackageName")) == (tables["x64"]["Manufacturer"], tables["x64"]["ProductName"])
      and locale.get("License") and "Outlook" in locale.get("ShortDescription", ""), locale)

installers = {entry.get("Architecture"): entry for entry in manifests["installer"]["Installers"]}
check("installers: x86 and x64", sorted(installers) == ["x64", "x86"], list(installers))
for arch, msi in packages.items():
    entry, table, file_name = installers.get(arch, {}), tables[arch], os.path.basename(msi)
    with open(msi, "rb") as file:
        digest = hashlib.sha256(file.read()).hexdigest()
    check(f"{arch}: {file_name}, msi for the machine, its hash and codes",
          (entry.get("InstallerType"), entry.get("Scope")) == ("msi", "machine") and
          entry.get("InstallerSha256", "").lower() == digest and entry.get("ProductCode") == table["ProductCode"] and
          entry.get("AppsAndFeaturesEntries") == [{"UpgradeCode": table["UpgradeCode"]}], entry)
    download = entry.get("InstallerUrl", "")
    check(f"{arch}: downloaded from {url or 'a placeholder'}", download == f"{url}/{file_name}" if url else
          download.startswith("https://") and ".invalid/" in download and download.endswith("/" + file_name), download)
sys.exit(failures > 0)
