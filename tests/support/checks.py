"""What the Python test drivers share: a failed check, with the message that says why."""


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)
