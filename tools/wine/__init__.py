"""Drives Windows programs under Wine on an X display: the session (session.py) and the X
client that reads the screen (xclient.py)."""
