#!/usr/bin/env python3
"""The policy template for Group Policy and Intune (installer/policies): the ADMX and its
en-US ADML are well-formed, every text and presentation the ADMX names is in the ADML, and
the ADMX describes exactly the policy values the code reads: the names passed as wide
literals to the policy readers (ReadPolicyDword, ReadPolicyInRange, ...) in the sources."""
import os
import re
import sys
import unittest
import xml.etree.ElementTree as ElementTree

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
POLICIES = os.path.join(ROOT, "installer", "policies")
NS = {"p": "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"}
SOURCES = ("client", "common", "sendto", "server")
POLICY_KEY = r"Software\Policies\Kestrelbay\Parcelon"


def policy_values_read():
    """{value name: [source files]} of the policy readers' calls."""
    found = {}
    call = re.compile(r'\bReadPolicy\w*\(\s*L"(\w+)"')
    for top in SOURCES:
        for folder, _, names in os.walk(os.path.join(ROOT, top)):
            for name in names:
                if name.endswith((".cpp", ".h")):
                    path = os.path.join(folder, name)
                    with open(path, encoding="utf-8") as f:
                        for match in call.finditer(f.read()):
                            found.setdefault(match.group(1), []).append(os.path.relpath(path, ROOT))
    return found


class PolicyTemplateTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.admx = ElementTree.parse(os.path.join(POLICIES, "Parcelon.admx")).getroot()
        cls.adml = ElementTree.parse(os.path.join(POLICIES, "en-US", "Parcelon.adml")).getroot()

    def test_every_text_and_presentation_the_admx_names_is_in_the_adml(self):
        strings = {s.get("id") for s in self.adml.iterfind(".//p:stringTable/p:string", NS)}
        presentations = {p.get("id") for p in self.adml.iterfind(".//p:presentationTable/p:presentation", NS)}
        named = set()
        for element in self.admx.iter():
            for value in element.attrib.values():
                named.update(re.findall(r"\$\((string|presentation)\.(\w+)\)", value))
        self.assertEqual(set(), {n for kind, n in named if kind == "string"} - strings)
        self.assertEqual(set(), {n for kind, n in named if kind == "presentation"} - presentations)
        self.assertGreater(len(named), 10)

    def test_the_admx_describes_exactly_the_policy_values_the_code_reads(self):
        described = set()
        for policy in self.admx.iterfind(".//p:policies/p:policy", NS):
            self.assertEqual(POLICY_KEY, policy.get("key"), policy.get("name"))
            self.assertEqual("Both", policy.get("class"), "the machine's value or the user's")
            names = {policy.get("valueName")} - {None}
            names |= {e.get("valueName") for e in policy.iterfind("p:elements/*", NS)}
            self.assertEqual({policy.get("name")}, names, "one value per policy, named as the policy")
            described |= names
        read = policy_values_read()
        self.assertIn("SendLimitMB", read, "the scan finds the readers' calls")
        self.assertEqual(sorted(read), sorted(described),
                         "values read (where): %s" % {k: v for k, v in read.items() if k not in described})


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
