"""Which stream reader of the launcher reads each byte of a payload's header
and tables: the expected message for a setup file cut at any position. Walks
the bytes the build tool wrote; writes nothing."""
import struct


def reader_fields(data: bytes, start: int) -> list:
    """(begin, end, reader) for every field from the magic to the end of the
    language blocks, in file order; empty strings have no text field."""
    fields = []
    pos = start

    def take(size, reader):
        nonlocal pos
        if size:
            fields.append((pos, pos + size, reader))
        pos += size

    def integer(reader="readInt"):
        value = struct.unpack_from("<i", data, pos)[0]
        take(4, reader)
        return value

    def text(reader):
        take(integer(), reader)

    integer()                       # magic
    integer()                       # check flag
    integer()                       # expected CRC
    take(8, "readLong")             # verified length
    for _ in range(integer()):      # narrow table
        integer()
        text("readString")
    for _ in range(integer()):      # wide table
        integer()
        text("readWString")
    for _ in range(integer()):      # language blocks
        text("readString")
        for _ in range(integer()):
            integer()
            text("readWString")
    return fields


def tables_end(data: bytes, start: int) -> int:
    return reader_fields(data, start)[-1][1]


def expected_failure(fields: list, cut: int) -> str:
    """The fatal message of the launcher reading a file that ends at cut."""
    for begin, end, reader in fields:
        if begin <= cut < end:
            return f"Internal Error: {reader}"
    raise ValueError(f"cut {cut} lies outside the tables")


def field_at(fields: list, reader: str, nth: int = 0):
    """The nth field read by that reader."""
    return [f for f in fields if f[2] == reader][nth]
