#!/usr/bin/python3
# Saves a document as a Word 97-2003 file protected by a password, with a
# headless LibreOffice of its own (python3-uno): the command line cannot.
#   save-with-password.py SOURCE TARGET.doc PASSWORD
import os, subprocess, sys, tempfile, time
import uno
from com.sun.star.beans import PropertyValue


def prop(name, value):
    p = PropertyValue()
    p.Name, p.Value = name, value
    return p


source, target, password = sys.argv[1:4]
with tempfile.TemporaryDirectory() as profile:
    pipe = "qp_password_%d" % os.getpid()
    office = subprocess.Popen(["soffice", "-env:UserInstallation=file://" + profile, "--headless",
                               "--invisible", "--norestore", "--accept=pipe,name=%s;urp;" % pipe],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        resolver = uno.getComponentContext().ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", uno.getComponentContext())
        for _ in range(200):
            try:
                context = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
                break
            except Exception:
                time.sleep(0.1)
        else:
            sys.exit("LibreOffice did not start")
        desktop = context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", context)
        document = desktop.loadComponentFromURL(uno.systemPathToFileUrl(os.path.abspath(source)), "_blank", 0,
                                                (prop("Hidden", True),))
        document.storeToURL(uno.systemPathToFileUrl(os.path.abspath(target)),
                            (prop("FilterName", "MS Word 97"), prop("Password", password)))
        document.close(True)
        try:
            desktop.terminate()
        except Exception:
            pass
    finally:
        try:
            office.wait(timeout=20)
        except subprocess.TimeoutExpired:
            office.kill()
