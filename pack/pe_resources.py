"""Reads the resources of a built velmor.scr (PE32 or PE32+) on the host:
the resource directory, and the file version and languages of its version
block as Windows Installer reads them from a file on disk."""
import struct

RT_VERSION = 16
FIXED_INFO_SIGNATURE = 0xFEEF04BD


def resource_section(image):
    """The .rsrc bytes, their virtual address and the root directory's offset."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    magic = struct.unpack_from("<H", image, pe + 24)[0]
    directories = pe + 24 + (96 if magic == 0x10B else 112)
    rva, size = struct.unpack_from("<II", image, directories + 2 * 8)
    table = pe + 24 + optional_size
    for i in range(sections):
        _, vsize, vaddr, rawsize, rawptr = struct.unpack_from("<8sIIII", image, table + 40 * i)
        if vaddr <= rva < vaddr + max(vsize, rawsize):
            return image[rawptr:rawptr + rawsize], vaddr, rva - vaddr
    raise ValueError("no resource section")


def entries(section, offset):
    """(name or id, is-directory, target offset) of one directory level."""
    named, numbered = struct.unpack_from("<12xHH", section, offset)
    for i in range(named + numbered):
        name, target = struct.unpack_from("<II", section, offset + 16 + 8 * i)
        if name & 0x80000000:
            at = name & 0x7FFFFFFF
            length = struct.unpack_from("<H", section, at)[0]
            name = section[at + 2:at + 2 + 2 * length].decode("utf-16-le")
        yield name, bool(target & 0x80000000), target & 0x7FFFFFFF


def resources(path):
    """{(type, name): {language: bytes}}"""
    image = open(path, "rb").read()
    section, vaddr, root = resource_section(image)
    found = {}
    for rtype, _, names in entries(section, root):
        for name, _, languages in entries(section, names):
            for language, _, leaf in entries(section, languages):
                data_rva, size = struct.unpack_from("<II", section, leaf)
                data = section[data_rva - vaddr:data_rva - vaddr + size]
                found.setdefault((rtype, name), {})[language] = data
    return found


def _aligned(offset):
    return offset + (-offset % 4)


def version_node(block, at):
    """(key, value bytes, (first child, end)) of the version block's node at `at`."""
    length, value_length, is_text = struct.unpack_from("<HHH", block, at)
    key_end = at + 6
    while block[key_end:key_end + 2] not in (b"\0\0", b""):
        key_end += 2
    value_at = _aligned(key_end + 2)
    value_end = value_at + (2 * value_length if is_text else value_length)
    return (block[at + 6:key_end].decode("utf-16-le"), block[value_at:value_end],
            (_aligned(value_end), at + length))


def version_children(block, first, end):
    """The nodes from `first` up to `end`, each as version_node gives it."""
    at = first
    while at + 6 <= end:
        yield version_node(block, at)
        length = struct.unpack_from("<H", block, at)[0]
        if length == 0:
            break
        at = _aligned(at + length)


def file_version(path):
    """("a.b.c.d", [language ids]) of the version block: the file version of
    its VS_FIXEDFILEINFO and the languages its Translation lists."""
    blocks = resources(path).get((RT_VERSION, 1), {})
    if len(blocks) != 1:
        raise ValueError("%s has %d version blocks, not one" % (path, len(blocks)))
    block = next(iter(blocks.values()))
    key, fixed, children = version_node(block, 0)
    if key != "VS_VERSION_INFO" or len(fixed) < 16:
        raise ValueError("%s has no fixed file information" % path)
    signature, _, high, low = struct.unpack_from("<4I", fixed)
    if signature != FIXED_INFO_SIGNATURE:
        raise ValueError("%s: the fixed file information has no signature" % path)
    languages = []
    for key, _, (first, end) in version_children(block, *children):
        if key == "VarFileInfo":
            for name, value, _ in version_children(block, first, end):
                if name == "Translation":
                    languages += [struct.unpack_from("<H", value, i)[0]
                                  for i in range(0, len(value) - 3, 4)]
    version = "%d.%d.%d.%d" % (high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF)
    return version, languages
