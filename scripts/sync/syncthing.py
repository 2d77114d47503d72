#!/usr/bin/env python3
"""One sync engine instance of scripts/sync_two_computers.sh: its configuration and its state.

configure HOME --listen PORT --gui PORT --apikey KEY --folder PATH --peer ID --peer-port PORT
    Makes the generated configuration talk to the other instance over the loopback address only
    (no discovery, relays, NAT, usage or crash reports, upgrades) and share PATH with it.
connected GUI_PORT APIKEY PEER_ID
    Exit status 0 when this instance is connected to the peer.
settled GUI_PORT APIKEY PEER_ID
    Exit status 0 when this instance has nothing left to scan, pull or send to the peer.
"""
import json
import sys
import urllib.request
import xml.etree.ElementTree as ET

FOLDER_ID = "note"


def set_option(options, name, value):
    node = options.find(name)
    if node is None:
        node = ET.SubElement(options, name)
    node.text = value


def configure(home, listen, gui, apikey, folder, peer, peer_port):
    path = f"{home}/config.xml"
    tree = ET.parse(path)
    root = tree.getroot()
    own = root.find("device").get("id")

    options = root.find("options")
    for listener in options.findall("listenAddress"):
        options.remove(listener)
    set_option(options, "listenAddress", f"tcp://127.0.0.1:{listen}")
    for name, value in [("globalAnnounceEnabled", "false"), ("localAnnounceEnabled", "false"),
                        ("relaysEnabled", "false"), ("natEnabled", "false"), ("urAccepted", "-1"),
                        ("crashReportingEnabled", "false"), ("autoUpgradeIntervalH", "0"),
                        ("startBrowser", "false"), ("announceLANAddresses", "false"),
                        ("stunKeepaliveStartS", "0"), ("stunServer", "")]:
        set_option(options, name, value)

    gui_node = root.find("gui")
    gui_node.find("address").text = f"127.0.0.1:{gui}"
    gui_node.find("apikey").text = apikey

    device = ET.SubElement(root, "device", id=peer, name="peer", compression="metadata",
                           introducer="false", skipIntroductionRemovals="false", introducedBy="")
    ET.SubElement(device, "address").text = f"tcp://127.0.0.1:{peer_port}"
    ET.SubElement(device, "autoAcceptFolders").text = "false"

    # Every conflict copy is kept: the count at the end must see all of them.
    shared = ET.Element("folder", id=FOLDER_ID, label=FOLDER_ID, path=folder, type="sendreceive",
                        rescanIntervalS="10", fsWatcherEnabled="true", fsWatcherDelayS="1",
                        ignorePerms="false", autoNormalize="true")
    for device_id in (own, peer):
        ET.SubElement(shared, "device", id=device_id, introducedBy="")
    ET.SubElement(shared, "maxConflicts").text = "-1"
    root.insert(0, shared)
    tree.write(path)


def get(gui, apikey, endpoint):
    request = urllib.request.Request(f"http://127.0.0.1:{gui}/rest/{endpoint}", headers={"X-API-Key": apikey})
    with urllib.request.urlopen(request, timeout=5) as response:
        return json.load(response)


def connected(gui, apikey, peer):
    connections = get(gui, apikey, "system/connections")["connections"]
    return connections.get(peer, {}).get("connected", False)


def settled(gui, apikey, peer):
    status = get(gui, apikey, f"db/status?folder={FOLDER_ID}")
    if status.get("state") != "idle" or status.get("needTotalItems", 0) != 0:
        return False
    completion = get(gui, apikey, f"db/completion?folder={FOLDER_ID}&device={peer}")
    return completion.get("completion", 0) >= 100 and completion.get("needItems", 0) == 0


def main(argv):
    command = argv[1]
    if command == "configure":
        home = argv[2]
        args = dict(zip(argv[3::2], argv[4::2]))
        configure(home, args["--listen"], args["--gui"], args["--apikey"], args["--folder"], args["--peer"],
                  args["--peer-port"])
        return 0
    try:
        check = {"connected": connected, "settled": settled}[command]
        return 0 if check(argv[2], argv[3], argv[4]) else 1
    except OSError:
        return 1  # not answering yet, or already gone


if __name__ == "__main__":
    sys.exit(main(sys.argv))
