"""What a new user chooses to send: a folder from the profile's Documents, a file from the
Desktop, a file of the same name and two folders named alike from another folder. What the
recipient's archive must hold for them: each at the top under its own name, the later of two
alike numbered, and nothing of the folders above a chosen row."""
import getpass
import os
import shutil

# A small header that deflate shrinks, though by less than its end padding.
HEADER = b"#pragma once\r\n#define A_B 1\r\n#define A_C 2\r\n"


class ChosenRows:
    def __init__(self, prefix, elsewhere):
        self.account = getpass.getuser()
        self.profile = os.path.join(prefix, "drive_c", "users", self.account)
        self.elsewhere = elsewhere
        documents = os.path.join(self.profile, "Documents")
        desktop = os.path.join(self.profile, "Desktop")
        self.files = {  # path -> (entry name, content)
            os.path.join(documents, "Q3 Report", "plan.txt"): ("Q3 Report/plan.txt", b"Plan for the quarter\r\n" * 300),
            os.path.join(documents, "Q3 Report", "data", "t.csv"): ("Q3 Report/data/t.csv", b"a,b\r\n1,2\r\n" * 50),
            os.path.join(documents, "Q3 Report", "header.h"): ("Q3 Report/header.h", HEADER),
            os.path.join(desktop, "notes.txt"): ("notes.txt", b"notes from the desktop\r\n"),
            os.path.join(elsewhere, "notes.txt"): ("notes (2).txt", b"notes from another folder\r\n"),
            os.path.join(documents, "Data", "x.txt"): ("Data/x.txt", b"x"),
            os.path.join(elsewhere, "data", "y.txt"): ("data (2)/y.txt", b"y"),
        }
        # In the order they are chosen.
        self.rows = [os.path.join(documents, "Q3 Report"), os.path.join(desktop, "notes.txt"),
                     os.path.join(elsewhere, "notes.txt"), os.path.join(documents, "Data"),
                     os.path.join(elsewhere, "data")]
        self.renamed = {os.path.join(elsewhere, "notes.txt"): "notes (2).txt",
                        os.path.join(elsewhere, "data"): "data (2)"}

    def make(self):
        for path, (_, content) in self.files.items():
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(content)

    def remove(self):
        for row in self.rows:
            if os.path.isdir(row):
                shutil.rmtree(row, ignore_errors=True)
            elif os.path.exists(row):
                os.unlink(row)

    def expected(self):
        return {name: content for name, content in self.files.values()}

    def foreign_parts(self, names):
        """The entry names that tell the account or a folder above a chosen row."""
        above = {self.account, "users", "Documents", "Desktop", os.path.basename(self.elsewhere)}
        return [n for n in names if any(part in above for part in n.split("/"))]
