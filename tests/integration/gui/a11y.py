#!/usr/bin/python3
"""Reads a running Qt program's accessibility tree over AT-SPI (D-Bus).

  a11y.py dump                 every object: depth, role, name, states, extents
  a11y.py find ROLE NAME       "x y w h enabled" of the first showing object
                               with that role and name (screen coordinates)
  a11y.py table                the rows of the first table, cells joined by '|'
  a11y.py tree [INDENT]        the expanded items of the first tree, two spaces
                               a level; INDENT: the tree's indentation (19)
  a11y.py list                 the items of the first list box, one a line

Uses the session bus of DBUS_SESSION_BUS_ADDRESS; exits 1 when the
application or the object is not (yet) there.
"""
import sys

import dbus

ACCESSIBLE = "org.a11y.atspi.Accessible"
COMPONENT = "org.a11y.atspi.Component"
TABLE = "org.a11y.atspi.Table"
PROPERTIES = "org.freedesktop.DBus.Properties"
REGISTRY = ("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root")

# Bit numbers of AtspiStateType.
STATE_ENABLED = 8
STATE_EXPANDED = 10
STATE_FOCUSED = 12
STATE_SHOWING = 25
SCREEN_COORDINATES = 0
TREE_INDENT = 19


def a11y_bus():
    session = dbus.SessionBus()
    launcher = session.get_object("org.a11y.Bus", "/org/a11y/bus")
    return dbus.bus.BusConnection(launcher.GetAddress(dbus_interface="org.a11y.Bus"))


class Node:
    def __init__(self, bus, name, path):
        self.bus, self.ref = bus, (str(name), str(path))
        self.obj = bus.get_object(str(name), str(path), introspect=False)

    def children(self):
        return [Node(self.bus, n, p) for n, p in self.obj.GetChildren(dbus_interface=ACCESSIBLE)]

    def role(self):
        return str(self.obj.GetRoleName(dbus_interface=ACCESSIBLE))

    def name(self):
        return str(self.obj.Get(ACCESSIBLE, "Name", dbus_interface=PROPERTIES))

    def states(self):
        low, high = self.obj.GetState(dbus_interface=ACCESSIBLE)
        bits = int(low) | (int(high) << 32)
        return {bit for bit in range(64) if bits & (1 << bit)}

    def extents(self):
        try:
            return tuple(int(v) for v in self.obj.GetExtents(
                dbus.UInt32(SCREEN_COORDINATES), dbus_interface=COMPONENT))
        except dbus.DBusException:
            return (0, 0, 0, 0)

    def walk(self, depth=0):
        yield depth, self
        for child in self.children():
            yield from child.walk(depth + 1)


def applications(bus):
    registry = Node(bus, *REGISTRY)
    return registry.children()


def all_nodes(bus):
    for app in applications(bus):
        yield from app.walk()


def first(bus, role):
    for _, node in all_nodes(bus):
        if node.role() == role and STATE_SHOWING in node.states():
            return node
    return None


def cmd_dump(bus):
    for depth, node in all_nodes(bus):
        states = node.states()
        flags = "".join(flag for bit, flag in ((STATE_ENABLED, "E"), (STATE_FOCUSED, "F"),
                                               (STATE_SHOWING, "S"), (STATE_EXPANDED, "X"))
                        if bit in states)
        print("%s%s %r [%s] %s" % ("  " * depth, node.role(), node.name(), flags,
                                   ",".join(map(str, node.extents()))))
    return 0


def cmd_find(bus, role, name):
    for _, node in all_nodes(bus):
        if node.role() == role and node.name() == name and STATE_SHOWING in node.states():
            x, y, w, h = node.extents()
            print(x, y, w, h, int(STATE_ENABLED in node.states()))
            return 0
    return 1


def cmd_table(bus):
    table = first(bus, "table")
    if table is None:
        return 1
    rows = int(table.obj.Get(TABLE, "NRows", dbus_interface=PROPERTIES))
    columns = int(table.obj.Get(TABLE, "NColumns", dbus_interface=PROPERTIES))
    for row in range(rows):
        cells = []
        for column in range(columns):
            name, path = table.obj.GetAccessibleAt(row, column, dbus_interface=TABLE)
            cells.append(Node(bus, name, path).name())
        print("|".join(cells))
    return 0


def cmd_tree(bus, indent=None):
    tree = first(bus, "tree")
    if tree is None:
        return 1
    # Items are the tree's children in display order (expanded nodes only);
    # the level of each shows in how far it is indented.
    items = [item for item in tree.children() if item.role() == "tree item"]
    if not items:
        return 0
    indents = [item.extents()[0] for item in items]
    step = int(indent) if indent else TREE_INDENT
    for item, x in zip(items, indents):
        print("  " * ((x - min(indents)) // step) + item.name())
    return 0


def cmd_list(bus):
    box = first(bus, "list")
    if box is None:
        return 1
    for item in box.children():
        if item.role() == "list item":
            print(item.name())
    return 0


def main(argv):
    commands = {"dump": cmd_dump, "find": cmd_find, "table": cmd_table, "tree": cmd_tree,
                "list": cmd_list}
    if len(argv) < 2 or argv[1] not in commands:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        return commands[argv[1]](a11y_bus(), *argv[2:])
    except dbus.DBusException as error:
        print("a11y: %s" % error.get_dbus_message(), file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
