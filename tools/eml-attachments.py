#!/usr/bin/env python3
"""Saves the attachments of an .eml file into a folder and prints their names."""
import email
import email.policy
import os
import sys


def save_attachments(eml_path, folder):
    with open(eml_path, "rb") as f:
        message = email.message_from_binary_file(f, policy=email.policy.default)
    names = []
    for part in message.iter_attachments():
        name = part.get_filename()
        with open(os.path.join(folder, os.path.basename(name)), "wb") as out:
            out.write(part.get_payload(decode=True))
        names.append(name)
    return names


if __name__ == "__main__":
    for name in save_attachments(sys.argv[1], sys.argv[2]):
        print("saved", name)
