#!/usr/bin/env python3
"""Writes the winget manifests of a release: winget-manifests.py FOLDER URL MSI...

A multi-file manifest set (version, defaultLocale, installer) under
FOLDER/<PackageIdentifier>/<PackageVersion>/, one installer per MSI, each
downloaded from URL/<the MSI's file name>. Whatever the packages say of
themselves is read from them: name, maker, version, product and upgrade code
from their Property table, the architecture from their summary information,
and the SHA-256 of the file as it is, so the packages must be final (signed,
when they are signed)."""
import hashlib
import os
import subprocess
import sys

import yaml

# Maker and product as one identifier, which winget keeps for every later
# version: never change it. From the maker (QZ_MAKER) and the project's name.
IDENTIFIER = "QuorvelAndZembrikTeam.QuorvelZembrik"
MANIFEST_VERSION = "1.6.0"
LOCALE = "en-US"
# No licence has been chosen for the programs yet.
LICENSE = "Proprietary"
DESCRIPTION = ("Turns a plain-text mail file into a new, unsent e-mail in Lotus Notes (Quorvel) "
               "or Microsoft Outlook (Zembrik).")
# The summary information's platform, as winget names the architecture.
ARCHITECTURES = {"Intel": "x86", "x64": "x64"}


def msiinfo(*arguments):
    return subprocess.run(["msiinfo", *arguments], check=True, capture_output=True, text=True, timeout=60).stdout


def describe(path, url):
    # Rows after the three header lines: name, tab, value.
    rows = msiinfo("export", path, "Property").splitlines()[3:]
    properties = dict(row.split("\t", 1) for row in rows if "\t" in row)
    template = next((line.split(":", 1)[1].strip() for line in msiinfo("suminfo", path).splitlines()
                     if line.startswith("Template:")), "")
    platform = template.split(";")[0]
    if platform not in ARCHITECTURES:
        sys.exit(f"winget-manifests: {path}: unknown platform {template!r} in the summary information")
    with open(path, "rb") as package:
        digest = hashlib.sha256(package.read()).hexdigest().upper()
    return properties, {
        "Architecture": ARCHITECTURES[platform],
        "InstallerUrl": f"{url.rstrip('/')}/{os.path.basename(path)}",
        "InstallerType": "msi",
        "Scope": "machine",
        "InstallerSha256": digest,
        "ProductCode": properties["ProductCode"],
        "AppsAndFeaturesEntries": [{"UpgradeCode": properties["UpgradeCode"]}],
    }


def write(folder, name, kind, manifest):
    manifest.update(ManifestType=kind, ManifestVersion=MANIFEST_VERSION)
    with open(os.path.join(folder, name), "w", encoding="utf-8", newline="\n") as out:
        out.write(f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}.{MANIFEST_VERSION}.schema.json\n\n")
        yaml.safe_dump(manifest, out, sort_keys=False, allow_unicode=True, width=1000)


def main(top, url, packages):
    installers, described = [], []
    for path in packages:
        properties, installer = describe(path, url)
        installers.append(installer)
        described.append(tuple(properties.get(key) for key in ("ProductName", "Manufacturer", "ProductVersion")))
    if len(set(described)) != 1 or None in described[0]:
        sys.exit(f"winget-manifests: the packages differ in name, maker or version, or lack one: {described}")
    name, maker, version = described[0]
    package = {"PackageIdentifier": IDENTIFIER, "PackageVersion": version}
    folder = os.path.join(top, IDENTIFIER, version)
    os.makedirs(folder, exist_ok=True)
    write(folder, f"{IDENTIFIER}.yaml", "version", {**package, "DefaultLocale": LOCALE})
    write(folder, f"{IDENTIFIER}.locale.{LOCALE}.yaml", "defaultLocale",
          {**package, "PackageLocale": LOCALE, "Publisher": maker, "PackageName": name, "License": LICENSE,
           "ShortDescription": DESCRIPTION})
    write(folder, f"{IDENTIFIER}.installer.yaml", "installer", {**package, "Installers": installers})
    print(f"winget-manifests: {folder}")


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__.splitlines()[0])
    try:
        main(sys.argv[1], sys.argv[2], sys.argv[3:])
    except (OSError, subprocess.SubprocessError, KeyError) as error:
        sys.exit(f"winget-manifests: {error}")
