"""kestrowin-clean: screening text for injected instructions and jailbreak wording."""
