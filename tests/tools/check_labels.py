#!/usr/bin/env python3
"""Checks the labels of every test of a build folder, as ctest lists them (tests/CMakeLists.txt
says what they mean): each test has exactly one kind, the name of its folder below tests/, and no
other label but no_memcheck, which is only on core tests; in a sanitizer build each test has
the sanitizers' variables, its suppressions file included. The scripts choose tests by these
labels, so a test without them would silently not run there.

    check_labels.py <ctest> <build folder> <tests folder> <kinds, comma-separated> <sanitizer build: 1|0>
"""
import json
import os
import subprocess
import sys

SANITIZER_VARIABLES = ("ASAN_OPTIONS=", "UBSAN_OPTIONS=", "LSAN_OPTIONS=suppressions=")


def faults_of(test, tests_folder, kinds, sanitized):
    properties = {p["name"]: p["value"] for p in test.get("properties", [])}
    labels = properties.get("LABELS", [])
    faults = []
    its_kinds = [label for label in labels if label in kinds]
    if len(its_kinds) != 1:
        faults.append(f"kinds {its_kinds}, not one of {sorted(kinds)}")
    # A folder may bear its kind's name (tests/window): its tests have the one label.
    folders = [label for label in labels if label not in its_kinds and label != "no_memcheck"] or its_kinds
    if len(folders) != 1 or not os.path.isdir(os.path.join(tests_folder, folders[0])):
        faults.append(f"labels {labels} name no single folder of tests/")
    if "no_memcheck" in labels and its_kinds != ["core"]:
        faults.append("no_memcheck on a test that is not core")
    if sanitized:
        environment = properties.get("ENVIRONMENT", [])
        for variable in SANITIZER_VARIABLES:
            values = [v for v in environment if v.startswith(variable)]
            if not values:
                faults.append(f"no {variable.rstrip('=')} in its environment")
            elif variable.startswith("LSAN") and not os.path.isfile(values[0][len(variable):].split(":")[0]):
                faults.append(f"LeakSanitizer's suppressions {values[0][len(variable):]} do not exist")
    return faults


def main():
    ctest, build, tests_folder, kinds, sanitized = sys.argv[1:6]
    kinds = set(kinds.split(","))
    listing = subprocess.run([ctest, "--show-only=json-v1"], cwd=build, capture_output=True, text=True)
    if listing.returncode != 0:
        print(f"ctest could not list the tests of {build}:\n{listing.stderr}")
        return 1
    tests = json.loads(listing.stdout)["tests"]
    bad = 0
    for test in tests:
        for fault in faults_of(test, tests_folder, kinds, sanitized == "1"):
            print(f"{test['name']}: {fault}")
            bad += 1
    if not tests or bad:
        print(f"{bad} faults in the labels of {len(tests)} tests")
        return 1
    print(f"{len(tests)} tests, each with its kind and its folder")
    return 0


if __name__ == "__main__":
    sys.exit(main())
