"""Makes the Debian package of a build as `make package` does and checks it as a distribution would:
lintian without errors, valid AppStream data and desktop entries, and every name they give (program,
icon, desktop entry, screenshot) found where it is looked for. The package stays in OUT_DIR for the
installation test."""

import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

METAINFO = "usr/share/metainfo/de.brisko.Moravel.metainfo.xml"


def run(argv, **kwargs):
    result = subprocess.run(argv, capture_output=True, text=True, **kwargs)
    if result.returncode != 0:
        sys.exit(f"{' '.join(argv)} failed ({result.returncode}):\n{result.stdout}{result.stderr}")
    return result.stdout


def build(cpack, build_dir, out_dir):
    shutil.rmtree(out_dir, ignore_errors=True)
    os.makedirs(out_dir)
    run([cpack, "-G", "DEB", "--config", os.path.join(build_dir, "CPackConfig.cmake"), "-B", out_dir])
    debs = glob.glob(os.path.join(out_dir, "*.deb"))
    if len(debs) != 1:
        sys.exit(f"expected one package in {out_dir}, found {debs}")
    deb = debs[0]
    version = run(["dpkg-deb", "-f", deb, "Version"]).strip()
    arch = run(["dpkg", "--print-architecture"]).strip()
    if os.path.basename(deb) != f"moravel_{version}_{arch}.deb":
        sys.exit(f"package named {os.path.basename(deb)}, not moravel_{version}_{arch}.deb")
    return deb


def desktop_value(path, key):
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.startswith(key + "="):
                return line.split("=", 1)[1].strip()
    return None


def check_names(root, source_dir):
    """Every name the metadata gives leads to a file of the package, or of the source for screenshots."""
    problems = []
    tree = ET.parse(os.path.join(root, METAINFO))
    with open(os.path.join(source_dir, "README.md"), encoding="utf-8") as f:
        readme_images = set(re.findall(r"\]\(docs/screenshots/([^)]+)\)", f.read()))
    entries = [e.text for e in tree.iter("launchable")]
    for binary in [b.text for b in tree.iter("binary")]:
        if not os.path.isfile(os.path.join(root, "usr/bin", binary)):
            problems.append(f"binary {binary} not in /usr/bin")
    for entry in entries:
        path = os.path.join(root, "usr/share/applications", entry)
        if not os.path.isfile(path):
            problems.append(f"desktop entry {entry} missing")
            continue
        program = desktop_value(path, "Exec").split()[0]
        if not os.path.isfile(os.path.join(root, "usr/bin", program)):
            problems.append(f"{entry} starts {program}, which is not in /usr/bin")
        icon = desktop_value(path, "Icon")
        if not glob.glob(os.path.join(root, "usr/share/icons/hicolor/*/apps", icon + ".*")):
            problems.append(f"{entry} shows icon {icon}, which is not installed")
    shots = [os.path.basename(i.text) for i in tree.iter("image")]
    if not shots:
        problems.append("no screenshots")
    for shot in shots:
        if shot not in readme_images or not os.path.isfile(os.path.join(source_dir, "docs/screenshots", shot)):
            problems.append(f"screenshot {shot} is not one of the README's images")
    if not os.path.isfile(os.path.join(root, "usr/share/moravel/Moravel.html")):
        problems.append("help page not in /usr/share/moravel")
    return entries, problems


def package_of(library):
    """The installed package that holds a library, under any of the names a merged /usr gives it."""
    names = set()
    for path in (library, os.path.realpath(library)):
        names |= {path, path.removeprefix("/usr"), "/usr" + path.removeprefix("/usr")}
    out = subprocess.run(["dpkg-query", "-S"] + sorted(names), capture_output=True, text=True).stdout
    return out.split(":")[0] if out else None


def check_depends(root, deb):
    """The package depends on the package of every library its programs are linked with."""
    depends = {d.split()[0] for d in run(["dpkg-deb", "-f", deb, "Depends"]).split(",") if d.strip()}
    problems = []
    for binary in glob.glob(os.path.join(root, "usr/bin/*")):
        listed = run(["ldd", binary])
        found = dict(re.findall(r"^\s*(\S+) => (\S+) \(", listed, re.M))
        # The dynamic loader, needed by a program with thread-local data, is listed by its path.
        found.update((os.path.basename(path), path) for path in re.findall(r"^\s*(/\S+) \(", listed, re.M))
        for soname in re.findall(r"\(NEEDED\).*\[(.+)\]", run(["readelf", "-d", binary])):
            owner = package_of(found[soname])
            if owner not in depends:
                problems.append(f"{os.path.basename(binary)} needs {soname} of {owner}, not in Depends")
    return problems


def check_svg_plugin(source_dir, deb):
    """Icons compiled in as SVG are drawn by a Qt plugin that no library check sees."""
    resources = glob.glob(os.path.join(source_dir, "src/**/*.qrc"), recursive=True)
    if not any(".svg<" in open(path, encoding="utf-8").read() for path in resources):
        return []
    out = run(["dpkg-query", "-S", "*/imageformats/libqsvg.so"])
    owner = out.split(":")[0]
    depends = {d.split()[0] for d in run(["dpkg-deb", "-f", deb, "Depends"]).split(",") if d.strip()}
    return [] if owner in depends else [f"the SVG icons need {owner}, not in Depends"]


def main():
    cpack, build_dir, source_dir, out_dir = sys.argv[1:5]
    deb = build(cpack, build_dir, out_dir)

    lint = subprocess.run(["lintian", "--fail-on", "error", deb], capture_output=True, text=True)
    print(lint.stdout, end="")
    if lint.returncode != 0:
        sys.exit(f"lintian reports errors:\n{lint.stdout}{lint.stderr}")

    with tempfile.TemporaryDirectory() as root:
        run(["dpkg-deb", "-x", deb, root])
        entries, problems = check_names(root, source_dir)
        problems += check_depends(root, deb) + check_svg_plugin(source_dir, deb)
        if problems:
            sys.exit("\n".join(problems))
        run(["appstreamcli", "validate", "--no-net", os.path.join(root, METAINFO)])
        run(["desktop-file-validate"] + [os.path.join(root, "usr/share/applications", e) for e in entries])
    print(f"package: {os.path.basename(deb)} ok")


if __name__ == "__main__":
    main()
