"""Calls every entry point of kestrowin_clean._native once and prints the results."""
import kestrowin_clean._native as native

print(native.__doc__)
