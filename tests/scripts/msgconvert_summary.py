#!/usr/bin/python3
"""What msgconvert (Debian libemail-outlook-message-perl), a .msg reader that is not ours, makes
of a .msg file: its .eml read by Python's email package, one line a fact:

    subject <text>
    attachment <file name>          (every part that names a file, in order)

Exits 3 when msgconvert cannot read the file.
"""
import email
import email.policy
import os
import subprocess
import sys
import tempfile


def main(path):
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, 'out.eml')
        done = subprocess.run(['msgconvert', '--outfile', out, path], capture_output=True)
        if done.returncode != 0 or not os.path.exists(out):
            sys.exit(3)
        with open(out, 'rb') as f:
            message = email.message_from_binary_file(f, policy=email.policy.default)
    print('subject ' + str(message['subject'] or ''))
    for part in message.walk():
        if part.get_filename():
            print('attachment ' + part.get_filename())


if __name__ == '__main__':
    main(sys.argv[1])
